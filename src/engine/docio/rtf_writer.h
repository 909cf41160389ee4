#pragma once
// Writing a formatted document as RTF that WordPad, Word and LibreOffice
// open as the pane showed it.
//
// The file: \rtf1\ansi\ansicpg1251 with every font declared \fcharset204, a
// colour table, and text as ASCII where it is ASCII, \'hh for the other
// Windows-1251 characters and \uN? for every character Windows-1251 cannot
// hold (a character outside the BMP as its two surrogates), so that nothing
// becomes "?" for a reader that knows \u. \ { } are escaped; U+2028 and a
// vertical tab become \line, a tab \tab; other control characters are no
// text and are left out.
//
// Formats: font, size, colour, background (\highlight), bold, italic,
// underline, strike, super/subscript; alignment, indents; lists both ways a
// reader may know them: \ls/\ilvl with a list table (Word, LibreOffice) and
// {\pntext}{\*\pn} (WordPad). A font with no name is written as the
// program's default face, "MS Sans Serif".
//
// Tables as Word writes them (\trowd ... \cellx, \intbl, \cell, \row;
// spans as wider cells and \clvmgf/\clvmrg; nested tables with \itap,
// \nestcell and {\*\nesttableprops ... \nestrow}); pictures as
// {\pict\pngblip} or {\pict\jpegblip}.
//
// Every paragraph, the last one included, ends with \par (or \cell when it
// ends a cell), as every word processor writes it; readRtf() gives back the
// same paragraphs.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "docio/rich_format.h"

namespace lettrica::docio {

inline constexpr char16_t kDefaultFontName[] = u"MS Sans Serif";

// Receives the file in pieces of a few tens of kilobytes, in order.
using RtfSink = std::function<void(std::string_view)>;

void writeRtf(const RichDocument& document, const RtfSink& sink);
std::string writeRtf(const RichDocument& document);

// The same a paragraph at a time, for a document that is never whole in
// memory. `tables` (formats, tables, pictures; its text is not looked at)
// must cover every paragraph given and outlive the writer; the header is
// written from them first. The lists' styles are taken from the first
// format of each list and level in the table, which is the first one in the
// document when the reader made the table.
class RtfWriter {
public:
    RtfWriter(const RichDocument& tables, RtfSink sink);
    ~RtfWriter();
    RtfWriter(const RtfWriter&) = delete;
    RtfWriter& operator=(const RtfWriter&) = delete;

    void paragraph(const text::Paragraph& paragraph);
    // Ends the document and hands over the rest of the file.
    void finish();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace lettrica::docio
