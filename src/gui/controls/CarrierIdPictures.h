#pragma once
// Two drawings that explain where the carrier ID sits in the tag, shown in
// the Config and Pages 3-17 dialogs: the whole tag with the 16 bytes that may
// hold the carrier ID, and those 16 bytes close up with an example field
// (offset 2, length 5, "ABC" padded with "0").

#include <QPixmap>
#include <QSize>

namespace tagwright::gui {

inline constexpr QSize kCarrierIdPictureSize{300, 150};

// The tag: 136 bytes in 17 pages of 8, the first byte, the 16 bytes of
// pages 1 and 2 that may hold the carrier ID, and the total tag length.
QPixmap CarrierIdTagPicture();

// Bytes 0-15: the first byte, the carrier ID offset and the carrier ID
// length of an example field.
QPixmap CarrierIdFieldPicture();

}  // namespace tagwright::gui
