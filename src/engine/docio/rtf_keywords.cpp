#include "docio/rtf_keywords.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <utility>

namespace lettrica::docio {

namespace {

// Looked up once per control word of the file, so a hash of a few bytes
// and open addressing, not std::hash over the whole word and a node chain.
// Words compare by their first eight bytes as one number, then the rest.
class Table {
public:
    void emplace(std::string_view word, Keyword key) {
        std::size_t i = slot(word);
        while (!slots_[i].word.empty()) i = (i + 1) & kMask;
        slots_[i] = Slot{head(word), word, key};
    }
    Keyword find(std::string_view word) const {
        if (word.empty()) return {};
        const std::uint64_t h = head(word);
        for (std::size_t i = slot(word);; i = (i + 1) & kMask) {
            const Slot& s = slots_[i];
            if (s.word.empty()) return {};
            if (s.head == h && s.word.size() == word.size() &&
                (word.size() <= 8 || std::memcmp(s.word.data() + 8, word.data() + 8, word.size() - 8) == 0))
                return s.key;
        }
    }

private:
    struct Slot {
        std::uint64_t head = 0;
        std::string_view word;
        Keyword key;
    };
    static constexpr std::size_t kSize = 2048, kMask = kSize - 1;  // at most a quarter full
    static std::uint64_t head(std::string_view w) {
        std::uint64_t h = 0;
        if (w.size() >= 8) {
            std::memcpy(&h, w.data(), 8);
        } else {
            for (std::size_t i = 0; i < w.size(); ++i) h |= std::uint64_t{static_cast<unsigned char>(w[i])} << (8 * i);
        }
        return h;
    }
    static std::size_t slot(std::string_view w) {
        const std::uint64_t h = head(w) * 0x9E3779B97F4A7C15ull + w.size();
        return static_cast<std::size_t>(h >> 40) & kMask;
    }
    std::array<Slot, kSize> slots_{};
};

Table makeTable() {
    Table t;
    auto add = [&t](Kw kw, std::initializer_list<std::string_view> words) {
        for (std::string_view w : words) t.emplace(w, Keyword{kw, 0});
    };
    // Destinations never shown. Headers, footers, notes, list markers and
    // pictures have words of their own below.
    add(Kw::Skip, {"info", "atndate", "atnref", "fldinst", "pntxta", "xe", "tc", "txe", "rxe", "bkmkstart",
                   "bkmkend", "nonshppict", "shpinst", "shprslt", "themedata", "colorschememapping", "datastore",
                   "latentstyles", "generator", "template", "private", "fchars", "lchars", "pgdsctbl", "revtbl",
                   "rsidtbl", "objdata", "objclass", "objname", "comment", "author", "operator", "title",
                   "subject", "keywords", "doccomm", "company", "category", "hlinkbase", "manager",
                   "levelnumbers", "listname", "listpicture", "xmlnstbl", "mmathPr", "docvar", "userprops",
                   "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn", "falt", "panose", "fname",
                   "htmltag", "mhtmltag", "blipuid", "nonesttables", "passwordhash", "wgrffmtfilter", "filetbl",
                   "protusertbl", "picprop"});
    add(Kw::Ansi, {"ansi"});
    add(Kw::Mac, {"mac"});
    add(Kw::Pc, {"pc"});
    add(Kw::Pca, {"pca"});
    add(Kw::Ansicpg, {"ansicpg"});
    add(Kw::Deff, {"deff"});
    add(Kw::Uc, {"uc"});
    add(Kw::Par, {"par"});
    add(Kw::Cell, {"cell"});
    add(Kw::Row, {"row"});
    add(Kw::NestCell, {"nestcell"});
    add(Kw::NestRow, {"nestrow"});
    // A page or column break inside a paragraph is shown as a line break:
    // the text on either side stays apart.
    add(Kw::Line, {"line", "softline", "page", "column"});
    add(Kw::Tab, {"tab"});
    const std::pair<std::string_view, char16_t> chars[] = {
        {"emdash", u'\u2014'},  {"endash", u'\u2013'},  {"bullet", u'\u2022'},    {"lquote", u'\u2018'},
        {"rquote", u'\u2019'},  {"ldblquote", u'\u201C'}, {"rdblquote", u'\u201D'}, {"emspace", u'\u2003'},
        {"enspace", u'\u2002'}, {"qmspace", u'\u2005'}, {"zwj", u'\u200D'},       {"zwnj", u'\u200C'},
        {"ltrmark", u'\u200E'}, {"rtlmark", u'\u200F'}, {"zwbo", u'\u200B'},
    };
    for (auto [w, c] : chars) t.emplace(w, Keyword{Kw::Char, c});
    add(Kw::Plain, {"plain"});
    add(Kw::B, {"b"});
    add(Kw::I, {"i"});
    add(Kw::Ul, {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd",
                 "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"});
    add(Kw::UlNone, {"ulnone"});
    add(Kw::Strike, {"strike", "striked"});
    add(Kw::V, {"v"});
    add(Kw::Super, {"super"});
    add(Kw::Sub, {"sub"});
    add(Kw::NoSuperSub, {"nosupersub"});
    add(Kw::F, {"f"});
    add(Kw::Fs, {"fs"});
    add(Kw::Cf, {"cf"});
    add(Kw::Background, {"cb", "highlight", "chcbpat"});
    add(Kw::S, {"s"});
    add(Kw::Cs, {"cs"});
    add(Kw::Pard, {"pard"});
    add(Kw::Ql, {"ql"});
    add(Kw::Qc, {"qc"});
    add(Kw::Qr, {"qr"});
    add(Kw::Qj, {"qj", "qd"});
    add(Kw::Li, {"li", "lin"});
    add(Kw::Ri, {"ri", "rin"});
    add(Kw::Fi, {"fi"});
    add(Kw::Ls, {"ls"});
    add(Kw::Ilvl, {"ilvl"});
    add(Kw::Fonttbl, {"fonttbl"});
    add(Kw::Fcharset, {"fcharset"});
    add(Kw::Cpg, {"cpg"});
    add(Kw::Colortbl, {"colortbl"});
    add(Kw::Red, {"red"});
    add(Kw::Green, {"green"});
    add(Kw::Blue, {"blue"});
    add(Kw::Stylesheet, {"stylesheet"});
    add(Kw::Sbasedon, {"sbasedon"});
    add(Kw::TableStyle, {"ts", "ds"});
    add(Kw::Listtable, {"listtable"});
    add(Kw::List, {"list"});
    add(Kw::Listid, {"listid"});
    add(Kw::Listlevel, {"listlevel"});
    add(Kw::Levelnfc, {"levelnfc", "levelnfcn"});
    add(Kw::Levelstartat, {"levelstartat"});
    add(Kw::Leveltext, {"leveltext"});
    add(Kw::Listoverridetable, {"listoverridetable"});
    add(Kw::Listoverride, {"listoverride"});
    add(Kw::Pn, {"pn"});
    add(Kw::Pnlvlblt, {"pnlvlblt"});
    add(Kw::Pnlvlbody, {"pnlvlbody"});
    add(Kw::Pnlvl, {"pnlvl"});
    add(Kw::Pnlvlcont, {"pnlvlcont"});
    add(Kw::Pndec, {"pndec"});
    add(Kw::Pnucltr, {"pnucltr"});
    add(Kw::Pnlcltr, {"pnlcltr"});
    add(Kw::Pnucrm, {"pnucrm"});
    add(Kw::Pnlcrm, {"pnlcrm"});
    add(Kw::Pnstart, {"pnstart"});
    add(Kw::Pntxtb, {"pntxtb"});
    add(Kw::Object, {"object"});
    add(Kw::Result, {"result"});
    add(Kw::Upr, {"upr"});
    add(Kw::Ud, {"ud"});
    add(Kw::Defchp, {"defchp"});
    add(Kw::Intbl, {"intbl"});
    add(Kw::Itap, {"itap"});
    add(Kw::Trowd, {"trowd"});
    add(Kw::Cellx, {"cellx"});
    add(Kw::Clvmgf, {"clvmgf"});
    add(Kw::Clvmrg, {"clvmrg"});
    add(Kw::Clmgf, {"clmgf"});
    add(Kw::Clmrg, {"clmrg"});
    add(Kw::Clcbpat, {"clcbpat"});
    add(Kw::BorderSide, {"clbrdrt", "clbrdrb", "clbrdrl", "clbrdrr", "trbrdrt", "trbrdrb", "trbrdrl", "trbrdrr",
                         "trbrdrh", "trbrdrv"});
    add(Kw::BorderStyle, {"brdrs", "brdrth", "brdrsh", "brdrdb", "brdrdot", "brdrdash", "brdrhair", "brdrdashsm",
                          "brdrdashd", "brdrdashdd", "brdrtriple", "brdrwavy", "brdrwavydb", "brdrinset",
                          "brdroutset", "brdremboss", "brdrengrave", "brdrframe"});
    add(Kw::BorderNone, {"brdrnone", "brdrnil", "brdrtbl"});
    add(Kw::NestTableProps, {"nesttableprops"});
    add(Kw::HeaderFooter, {"header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf"});
    add(Kw::Footnote, {"footnote"});
    add(Kw::Annotation, {"annotation"});
    add(Kw::AtnAuthor, {"atnauthor"});
    add(Kw::AtnId, {"atnid"});
    add(Kw::Chftn, {"chftn"});
    add(Kw::Chatn, {"chatn"});
    add(Kw::Shape, {"shp"});
    add(Kw::Marker, {"listtext", "pntext"});
    add(Kw::Pict, {"pict"});
    add(Kw::ShpPict, {"shppict"});
    add(Kw::PngBlip, {"pngblip"});
    add(Kw::JpegBlip, {"jpegblip"});
    add(Kw::OtherBlip, {"emfblip", "wmetafile", "macpict", "pmmetafile", "dibitmap", "wbitmap"});
    add(Kw::PicW, {"picw"});
    add(Kw::PicH, {"pich"});
    add(Kw::PicWGoal, {"picwgoal"});
    add(Kw::PicHGoal, {"pichgoal"});
    add(Kw::PicScaleX, {"picscalex"});
    add(Kw::PicScaleY, {"picscaley"});
    add(Kw::Defpap, {"defpap"});
    return t;
}

}  // namespace

Keyword keywordOf(std::string_view word) {
    static const Table table = makeTable();
    return table.find(word);
}

bool isStarredDestination(Kw kw) {
    switch (kw) {
    case Kw::Pn: case Kw::Listtable: case Kw::Listoverridetable: case Kw::Ud: case Kw::Cs: case Kw::Defchp:
    case Kw::Defpap: case Kw::TableStyle: case Kw::NestTableProps: case Kw::Footnote: case Kw::Annotation:
    case Kw::AtnAuthor: case Kw::AtnId: case Kw::ShpPict: case Kw::HeaderFooter: case Kw::Shape:
        return true;
    default:
        return false;
    }
}

}  // namespace lettrica::docio
