#pragma once
// The control words the RTF document builder acts on, looked up once per
// word. Words not listed are ignored, as RTF asks of a reader.

#include <cstdint>
#include <string_view>

namespace lettrica::docio {

enum class Kw : std::uint8_t {
    Unknown,
    Skip,  // a destination that is never shown: pictures, headers, information ...
    // document
    Ansi, Mac, Pc, Pca, Ansicpg, Deff, Uc,
    // text
    Par, Cell, Row, NestCell, NestRow, Line, Tab, Char,
    // character formatting
    Plain, B, I, Ul, UlNone, Strike, V, Super, Sub, NoSuperSub, F, Fs, Cf, Background, S, Cs,
    // paragraph formatting
    Pard, Ql, Qc, Qr, Qj, Li, Ri, Fi, Ls, Ilvl,
    // tables of the header
    Fonttbl, Fcharset, Cpg, Colortbl, Red, Green, Blue, Stylesheet, Sbasedon, TableStyle,
    Listtable, List, Listid, Listlevel, Levelnfc, Levelstartat, Leveltext, Listoverridetable, Listoverride,
    // WordPad lists
    Pn, Pnlvlblt, Pnlvlbody, Pnlvl, Pnlvlcont, Pndec, Pnucltr, Pnlcltr, Pnucrm, Pnlcrm, Pnstart, Pntxtb,
    // groups with a readable part
    Object, Result, Upr, Ud,
    // tables
    Intbl, Itap, Trowd, Cellx, Clvmgf, Clvmrg, Clmgf, Clmrg, Clcbpat, BorderSide, BorderStyle, BorderNone,
    NestTableProps,
    // what is not body text: kept elsewhere, or reported as left out
    HeaderFooter, Footnote, Annotation, AtnAuthor, AtnId, Chftn, Chatn, Shape, Marker,
    // pictures
    Pict, ShpPict, PngBlip, JpegBlip, OtherBlip, PicW, PicH, PicWGoal, PicHGoal, PicScaleX, PicScaleY,
    // the formats \plain and \pard return to
    Defchp, Defpap,
};

struct Keyword {
    Kw kw = Kw::Unknown;
    char16_t ch = 0;  // the character of a Kw::Char word (\emdash ...)
};

Keyword keywordOf(std::string_view word);

// Destinations that are read although they follow \*.
bool isStarredDestination(Kw kw);

}  // namespace lettrica::docio
