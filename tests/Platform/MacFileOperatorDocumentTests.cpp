#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <plist/plist.h>
#include <zip.h>

#include "Platform/DocumentReader.h"
#include "Platform/MacFileOperator.h"
#include "Platform/MacFileOperatorTestSupport.h"
#include "Platform/RtfText.h"
#include "Support/StandInProgram.h"
#include "Support/TemporaryFolder.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

using tarvo::DocumentReader;
using tarvo::FileText;
using tarvo::MacFileOperator;
using tarvo::OperatorPortFailure;
using tarvo::RtfText;
using tarvo::testing::checked;
using tarvo::testing::TemporaryFolder;
using tarvo::testing::writeFile;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// A PDF of one page per entry, with the entry's words on it; an empty entry is a page with a
// drawing and no text, as a scan is.
std::string pdfOf(const std::vector<std::string>& pages) {
    std::vector<std::string> objects{"<< /Type /Catalog /Pages 2 0 R >>", "",
                                     "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
    std::string kids;
    for (const std::string& text : pages) {
        const std::string content =
            text.empty() ? "0 0 1 rg 10 10 200 200 re f" : "BT /F1 18 Tf 72 700 Td (" + text + ") Tj ET";
        const std::size_t pageNumber = objects.size() + 1;
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> "
                          ">> /Contents " +
                          std::to_string(pageNumber + 1) + " 0 R >>");
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
        kids += std::to_string(pageNumber) + " 0 R ";
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>";
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        const std::string digits = std::to_string(offset);
        pdf += std::string(10 - digits.size(), '0') + digits + " 00000 n \n";
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

void writeZip(const fs::path& path, const std::string& part, const std::string& bytes) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    ASSERT_GE(zip_file_add(archive, part.c_str(), source, ZIP_FL_OVERWRITE), 0);
    ASSERT_EQ(zip_close(archive), 0);
}

void writeWebArchive(const fs::path& path, const std::string& html, const char* encoding) {
    plist_t root = plist_new_dict();
    plist_t main = plist_new_dict();
    plist_dict_set_item(main, "WebResourceData", plist_new_data(html.data(), html.size()));
    plist_dict_set_item(main, "WebResourceTextEncodingName", plist_new_string(encoding));
    plist_dict_set_item(main, "WebResourceMIMEType", plist_new_string("text/html"));
    plist_dict_set_item(root, "WebMainResource", main);
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    writeFile(path, std::string(bytes, length));
    plist_to_bin_free(bytes);
    plist_free(root);
}

struct MacFileOperatorDocumentTest : ::testing::Test {
    TemporaryFolder home;

    // The text read, or the sentence of the failure.
    std::string read(const std::string& name, const DocumentReader& reader = tarvo::testing::documentReader()) {
        try {
            return MacFileOperator::readFile(checked(home / name, home.path()), reader).text;
        } catch (const OperatorPortFailure& failure) {
            return failure.sentence;
        }
    }
};

} // namespace

TEST(RtfText, ReadsTheTextOfTheDocumentOnly) {
    struct Case {
        std::string rtf;
        std::string text;
    };
    const std::vector<Case> cases{
        {R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0 Times;}}{\colortbl;\red0\green0\blue0;}caf\'e9\par next})",
         "caf\xC3\xA9\nnext"},
        {R"({\rtf1\ansi{\*\generator Writer 1.0;}{\*\unknown hidden}shown})", "shown"},
        {R"({\rtf1 \u8364?, \uc2\u8364xx \uc0\u-3913 done})", "\xE2\x82\xAC, \xE2\x82\xAC \xEF\x82\xB7" "done"},
        {R"({\rtf1 \u55357?\u56832? a\tab b\line c \{\}\\})", "\xF0\x9F\x98\x80 a\tb\nc {}\\"},
        {R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8})", "\xD0\x9F\xD1\x80\xD0\xB8"},
        {R"({\rtf1{\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}}})", "link"},
    };
    for (const Case& c : cases) EXPECT_EQ(RtfText::plain(c.rtf), c.text) << c.rtf;
}

TEST_F(MacFileOperatorDocumentTest, APdfHandsOverItsPagesOrSaysWhyNot) {
    writeFile(home / "third.pdf", pdfOf({"", "", "Quarterly figures"}));
    const FileText third = MacFileOperator::readFile(checked(home / "third.pdf", home.path()), tarvo::testing::documentReader());
    EXPECT_EQ(third.pages, 3);
    EXPECT_NE(third.text.find("[Page 3]"), std::string::npos) << third.text;
    EXPECT_NE(third.text.find("Quarterly figures"), std::string::npos) << third.text;

    writeFile(home / "scan.pdf", pdfOf({""}));
    EXPECT_EQ(read("scan.pdf"), MacFileOperator::pdfScanSentence);
    writeFile(home / "fake.PDF", "just words, no PDF");
    EXPECT_EQ(read("fake.PDF"), MacFileOperator::pdfNotOpenedSentence);
}

TEST_F(MacFileOperatorDocumentTest, OfficeFilesKeepParagraphsTabsAndBreaks) {
    writeZip(home / "letter.docx", "word/document.xml",
             R"(<?xml version="1.0"?><w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
             R"(<w:body><w:p><w:r><w:t>Dear</w:t><w:tab/><w:t xml:space="preserve">Ann, </w:t></w:r></w:p>)"
             R"(<w:p><w:r><w:t>one</w:t><w:br/><w:t>two</w:t><w:instrText>PAGE</w:instrText></w:r></w:p></w:body></w:document>)");
    EXPECT_EQ(read("letter.docx"), "Dear\tAnn, \none\ntwo\n");

    writeZip(home / "notes.odt", "content.xml",
             R"(<?xml version="1.0"?><office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0")"
             R"( xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"><office:body><office:text>)"
             R"(<text:h>Title</text:h><text:p>a<text:tab/>b<text:s text:c="3"/>c<text:line-break/>d</text:p>)"
             R"(</office:text></office:body></office:document-content>)");
    EXPECT_EQ(read("notes.odt"), "Title\na\tb   c\nd\n");

    writeWebArchive(home / "page.webarchive", "<p>Caf\xE9 &amp; more</p>", "ISO-8859-1");
    EXPECT_EQ(read("page.webarchive"), " Caf\xC3\xA9 & more\n");
    // A charset name holding a NUL names no charset; the page is still read.
    writeFile(home / "nul.webarchive",
              std::string(R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict><key>WebMainResource</key>)"
                          R"(<dict><key>WebResourceData</key><data>PHA+b25lPC9wPg==</data>)"
                          "<key>WebResourceTextEncodingName</key><string>UTF-") +
                  '\0' + "8</string></dict></dict></plist>");
    EXPECT_EQ(read("nul.webarchive"), " one\n");

    writeFile(home / "plain.rtf", R"({\rtf1\ansi\ansicpg1252 r\'e9sum\'e9})");
    EXPECT_EQ(read("plain.rtf"), "r\xC3\xA9sum\xC3\xA9");
    writeFile(home / "Package.rtfd/TXT.rtf", R"({\rtf1 inside})");
    EXPECT_EQ(read("Package.rtfd"), "inside");
}

TEST_F(MacFileOperatorDocumentTest, ABrokenDocumentOrAFailingReaderLeavesTheCompanionStanding) {
    writeFile(home / "broken.docx", "PK\x03\x04 not really a zip");
    EXPECT_EQ(read("broken.docx"), MacFileOperator::documentNotReadSentence);
    writeFile(home / "broken.doc", "not a Word file");
    EXPECT_EQ(read("broken.doc"), MacFileOperator::documentNotReadSentence);
    fs::create_directories(home / "Empty.rtfd");
    EXPECT_EQ(read("Empty.rtfd"), MacFileOperator::documentNotReadSentence);

    writeFile(home / "any.odt", "x");
    writeFile(home / "any.pdf", "x");
    for (const std::string& body : {std::string("kill -SEGV $$"), std::string("exec sleep 30"),
                                    std::string("printf '99\\nshort'"), std::string("head -c 40000000 /dev/zero")}) {
        const DocumentReader standIn(tarvo::testing::writeStandIn(home / "reader", body), {}, 2s);
        EXPECT_EQ(read("any.odt", standIn), MacFileOperator::documentNotReadSentence) << body;
        EXPECT_EQ(read("any.pdf", standIn), MacFileOperator::pdfNotOpenedSentence) << body;
    }
}
