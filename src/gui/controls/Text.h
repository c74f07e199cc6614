#pragma once
// The core keeps every text as 8-bit bytes. Field texts (page texts, byte
// fields, terminal lines) map one byte to one character so that every byte
// value survives a trip through a field unchanged; the fields whose text is
// sent or stored hand it to the core as typed, which judges what no byte
// holds. Message texts are stored in Windows-1252 and are decoded as such
// for display.

#include <QString>
#include <string>

#include "core/domain/TypedText.h"

namespace tagwright::gui {

// Byte n becomes character U+00nn (multi-line texts keep their breaks).
QString FieldText(const std::string& bytes);
// For one-line fields of bytes (the page fields above all): as FieldText,
// except the control bytes, which would show as nothing or as an empty box:
// 0x00-0x1F become U+2400-U+241F, 0x7F U+2421, and 0x80-0x9F U+2460-U+247F;
// and the no-break space 0xA0, which would pass for a space: U+237D.
QString ByteFieldText(const std::string& bytes);

// The inverse of both (a control byte may be typed as either form); any
// other character above U+00FF, which no byte can hold, becomes '?' (one per
// character, also outside the basic plane). For the set name (refused by the
// Config dialog when it does not come back the same) and the traffic pane
// only; every field the core sends or stores goes through TakeField.
std::string FieldBytes(const QString& text);

// A field whose text the core judges itself: handed over as typed, the core
// turns it into bytes and says what it refused.
Refusal TakeField(const QString& text, std::string& bytes);
// What such a field shows: the text as typed while the core refuses it, else
// its bytes as ByteFieldText shows them.
QString ShownField(const std::string& bytes, const Refusal& refusal);

// Windows-1252: 0x80-0x9F carry the typographic characters (0x80 is the euro
// sign); the five unassigned codes there and all other bytes map as Latin-1.
QString MessageText(const std::string& bytes);

}  // namespace tagwright::gui
