#pragma once
// The core keeps every text as 8-bit bytes. Field texts (page texts, byte
// fields, terminal lines) map one byte to one character so that every byte
// value survives a trip through a field unchanged. Message texts are stored
// in Windows-1252 and are decoded as such for display.

#include <QString>
#include <string>

namespace tagwright::gui {

// Byte n becomes character U+00nn.
QString FieldText(const std::string& bytes);

// The inverse of FieldText; a character above U+00FF, which no byte can
// hold, becomes '?' (one per character, also outside the basic plane).
std::string FieldBytes(const QString& text);

// The first character of TEXT above U+00FF, which a field's byte cannot hold
// (a pair of surrogates counts as one); 0 when there is none.
char32_t FirstUnencodable(const QString& text);
// "U+20AC": a character named so that any message can carry it.
std::string CodePointName(char32_t c);

// Windows-1252: 0x80-0x9F carry the typographic characters (0x80 is the euro
// sign); the five unassigned codes there and all other bytes map as Latin-1.
QString MessageText(const std::string& bytes);

}  // namespace tagwright::gui
