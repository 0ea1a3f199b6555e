#pragma once
// Code page conversion between table text and window text.
//
// Table text is stored in OEM code page 850 (German DOS); window text is Windows-1252 (ANSI).
// The program carries its own fixed tables so that it behaves the same whatever code pages the
// system is set to. Names say the direction; variables holding either kind of text say which
// (nameOem, captionAnsi).

#include <string>
#include <string_view>

namespace tabrix {

// Byte-wise conversions for all 256 values. Bytes 0x00-0x7F are unchanged. Characters present in
// both code pages map exactly, so every letter of the German alphabet survives a round trip.
// Byte 0xD5 of code page 850 (dotless i, the euro sign in its euro variant 858) and the euro
// sign 0x80 of Windows-1252 map onto each other. Every other character without a counterpart
// gets the nearest plain ASCII character: box-drawing lines become '+', '-', '|' or '=', shades and
// blocks '#'; typographic quotes, dashes, the bullet and the like their ASCII forms; letters with
// caron or the OE ligature their base letter; the five bytes undefined in Windows-1252 become '?'.
unsigned char Oem850ToAnsi1252(unsigned char oem);
unsigned char Ansi1252ToOem850(unsigned char ansi);

std::string Oem850ToAnsi1252(std::string_view textOem);
std::string Ansi1252ToOem850(std::string_view textAnsi);

// The euro-keeping variants leave byte 0x80 unchanged in both directions: tables written by
// the Velarto product keep the euro sign as 0x80, which plain code page 850 reads as a C-cedilla.
std::string OemEuroToAnsi(std::string_view textOem);
std::string AnsiEuroToOem(std::string_view textAnsi);

// Upper case by the German code-page rules on code page 850 bytes: a-z become A-Z, the umlauts
// ä ö ü (0x84 0x94 0x81) become Ä Ö Ü (0x8E 0x99 0x9A); ß (0xE1) stays, as do all other bytes.
unsigned char UpperGerman850(unsigned char oem);
std::string UpperGerman850(std::string_view textOem);

}  // namespace tabrix
