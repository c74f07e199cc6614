#pragma once
// Baud rates outside the classic B-constants (14400, 56000, 128000, 256000).
// Linux takes them through its second termios interface, whose header clashes
// with <termios.h>; it is therefore kept to ArbitraryBaud.cpp alone.

namespace tagwright::arbitrary_baud {

// Sets both directions of an open port to rate; 0 or an errno code
// (ENOTSUP where the platform has no such interface).
int Set(int fd, unsigned rate);

// The output rate the port reports, 0 when it cannot tell.
unsigned ReadOutput(int fd);

}  // namespace tagwright::arbitrary_baud
