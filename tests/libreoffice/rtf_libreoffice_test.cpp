// RTF against LibreOffice, the independent peer, started once for all
// cases (headless, with a profile of its own):
// - LibreOffice's RTF of a document of ours (tests/data/rtf/formatted.fodt)
//   reads with the text and formatting the document has;
// - RTF we write from it opens in LibreOffice with the same text and
//   formatting (LibreOffice saves it again as RTF, which we read);
// - the WordPad and Word files read here as LibreOffice reads them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "docio/rtf_builder.h"
#include "docio/rtf_writer.h"
#include "rich_document_util.h"

namespace fs = std::filesystem;
using namespace lettrica::docio;
using richtest::fixture;
using richtest::readFile;

namespace {

class LibreOfficeRtf : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "lettrica-lo-test.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        fs::create_directories(root_ / "ours");
        fs::create_directories(root_ / "out");
        // What we write of LibreOffice's own RTF of formatted.fodt.
        {
            std::ofstream f(root_ / "ours" / "ours.rtf", std::ios::binary);
            f << writeRtf(readRtf(fixture("libreoffice.rtf")).document);
        }
        const std::string data = std::string(LETTRICA_TEST_DATA) + "/rtf/";
        const std::string command = "soffice -env:UserInstallation=file://" + (root_ / "profile").string() +
                                    " --headless --convert-to rtf --outdir " + (root_ / "out").string() + " " +
                                    data + "formatted.fodt " + data + "wordpad.rtf " + data + "word2007.rtf " +
                                    (root_ / "ours" / "ours.rtf").string() + " > " + (root_ / "soffice.log").string() +
                                    " 2>&1";
        const int status = std::system(command.c_str());
        ASSERT_EQ(status, 0) << "soffice failed (Debian libreoffice-writer-nogui; tools/deps.sh installs it):\n"
                             << readFile((root_ / "soffice.log").string());
    }

    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    // LibreOffice's RTF of one of the inputs, read by us.
    static RichDocument converted(const std::string& name) {
        const fs::path path = root_ / "out" / name;
        EXPECT_TRUE(fs::exists(path)) << "LibreOffice did not convert " << name << ":\n"
                                      << readFile((root_ / "soffice.log").string());
        const RtfReadResult r = readRtf(readFile(path.string()));
        EXPECT_TRUE(r.ok()) << name;
        return r.document;
    }

    static fs::path root_;
};

fs::path LibreOfficeRtf::root_;

// The formats a character shows. A picture is one whatever its bytes
// (LibreOffice may encode it anew), a note's mark one whatever its font.
std::vector<std::pair<char16_t, CharFormat>> characters(const RichDocument& doc, const lettrica::text::Paragraph& p) {
    std::vector<std::pair<char16_t, CharFormat>> out;
    for (const auto& r : p.runs) {
        for (char16_t c : r.text) {
            const CharFormat& given = charFormatAt(doc, r.format);
            CharFormat f = given;
            if (given.image >= 0 || (given.position == VerticalPosition::Superscript && c >= u'0' && c <= u'9')) {
                f = CharFormat{};
                f.image = given.image >= 0 ? 0 : -1;
                f.position = given.position;
            }
            out.emplace_back(c, f);
        }
    }
    return out;
}

}  // namespace

TEST_F(LibreOfficeRtf, ItsRtfReadsWithTheDocumentsTextAndFormats) {
    richtest::expectFormattedDocument(converted("formatted.rtf"));
}

TEST_F(LibreOfficeRtf, ItOpensWhatWeWriteAsTheDocument) {
    richtest::expectFormattedDocument(converted("ours.rtf"));
}

// Our reading of hand-made WordPad and Word files (code pages by font
// charset, \pn lists, fields, tables, pictures, notes, skipped
// destinations) is LibreOffice's.
TEST_F(LibreOfficeRtf, WordPadAndWordFilesReadAsItReadsThem) {
    for (const char* name : {"wordpad.rtf", "word2007.rtf"}) {
        const RtfReadResult read = readRtf(fixture(name));
        const RichDocument& ours = read.document;
        const RichDocument its = converted(name);
        ASSERT_EQ(ours.text.paragraphs.size(), its.text.paragraphs.size()) << name;
        // The notes (one paragraph each here) come last, in LibreOffice's note style.
        const std::size_t body = ours.text.paragraphs.size() - static_cast<std::size_t>(read.report.notes);
        for (std::size_t i = 0; i < ours.text.paragraphs.size(); ++i) {
            const auto& a = ours.text.paragraphs[i];
            const auto& b = its.text.paragraphs[i];
            EXPECT_EQ(S(a.plainText()), S(b.plainText())) << name << " paragraph " << i;
            if (i < body) {
                EXPECT_TRUE(characters(ours, a) == characters(its, b)) << name << " formats of paragraph " << i;
            }
            const ParagraphFormat& fa = paragraphFormatAt(ours, a.format);
            const ParagraphFormat& fb = paragraphFormatAt(its, b.format);
            EXPECT_EQ(fa.alignment, fb.alignment) << name << " paragraph " << i;
            EXPECT_EQ(fa.listStyle, fb.listStyle) << name << " paragraph " << i;
            EXPECT_EQ(std::make_tuple(fa.table, fa.row, fa.column), std::make_tuple(fb.table, fb.row, fb.column))
                << name << " paragraph " << i;
        }
    }
}
