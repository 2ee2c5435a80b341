#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Support/CapturedPlainLog.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/Text.h"
#include "TarvoBase/Uuid.h"
#include "TarvoCore/Panel/PanelDownloads.h"

namespace fs = std::filesystem;
using tarvo::PanelDownloads;
using tarvo::SavedFiles;
using tarvo::testing::CapturedPlainLog;
using tarvo::testing::TemporaryFolder;

namespace {

struct RecordingSavedFiles final : SavedFiles {
    fs::path folder;
    std::map<std::string, std::string> types = {{"md", "text/markdown"}, {"pdf", "application/pdf"},
                                                {"zip", "application/zip"}};
    std::optional<std::string> markFailure;
    struct Mark {
        fs::path file;
        std::optional<std::string> origin;
        std::optional<std::string> referrer;
    };
    std::vector<Mark> marks;
    std::vector<fs::path> opened;
    std::vector<fs::path> revealed;

    fs::path downloadsFolder() const override { return folder; }
    std::optional<std::string> markDownloaded(const fs::path& file, const std::optional<std::string>& origin,
                                              const std::optional<std::string>& referrer) override {
        if (markFailure) return markFailure;
        marks.push_back({file, origin, referrer});
        return std::nullopt;
    }
    std::optional<std::string> typeOfExtension(const std::string& extension) const override {
        const auto found = types.find(extension);
        if (found == types.end()) return std::nullopt;
        return found->second;
    }
    void open(const fs::path& file) override { opened.push_back(file); }
    void reveal(const fs::path& file) override { revealed.push_back(file); }
};

void touch(const fs::path& path, const std::string& bytes = "") { std::ofstream(path) << bytes; }

std::string contents(const fs::path& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string event(const std::string& state, const std::optional<std::string>& reason = std::nullopt) {
    return PanelDownloads::eventScript(state, reason);
}

struct Downloads : ::testing::Test {
    TemporaryFolder home;
    std::shared_ptr<RecordingSavedFiles> files = std::make_shared<RecordingSavedFiles>();
    PanelDownloads downloads{files};
    std::vector<std::string> told;
    CapturedPlainLog log;

    Downloads() { files->folder = home / "Downloads"; }

    PanelDownloads::Tell tell() {
        return [this](const std::string& script) { told.push_back(script); };
    }
    PanelDownloads::Download download(std::string id, std::string name,
                                      std::string address = "https://tarvo.example/api/attachments/42") {
        return {std::move(id), address, PanelDownloads::Response{200, address}, std::move(name),
                "https://tarvo.example/app"};
    }
    // Writes `bytes` where the engine would and finishes the download.
    void finish(const std::string& id, const std::string& bytes) {
        const fs::path written = downloads.stagingFolder() / id;
        touch(written, bytes);
        downloads.finish(id, written);
    }
};

} // namespace

TEST(PanelDownloadsFreePath, CleansTheNameAndNumbersItPastTakenFiles) {
    struct Case {
        std::vector<std::string> taken;
        std::string suggested;
        std::string chosen;
    };
    const Case cases[] = {
        {{}, "report.pdf", "report.pdf"},
        {{"report.pdf"}, "report.pdf", "report 2.pdf"},
        {{"report.pdf", "report 2.pdf"}, "report.pdf", "report 3.pdf"},
        {{}, "a/b:c.txt", "a-b-c.txt"},
        {{}, " . .. ", "tarvo-download"},
        {{}, ".env", "env"},
        {{"env"}, "..env. ", "env 2"},
        {{"archive.tar.gz"}, "archive.tar.gz", "archive.tar 2.gz"},
        {{"notes"}, "notes", "notes 2"},
    };
    for (const Case& c : cases) {
        TemporaryFolder folder;
        for (const std::string& name : c.taken) touch(folder / name);
        EXPECT_EQ(PanelDownloads::freePath(folder.path(), c.suggested), folder / c.chosen) << c.suggested;
    }
}

TEST(PanelDownloadsFreePath, GivesAUuidNameOnceFiveHundredAreTaken) {
    TemporaryFolder folder;
    touch(folder / "report.pdf");
    for (int n = 2; n <= 500; ++n) touch(folder / ("report " + std::to_string(n) + ".pdf"));
    const std::string name = PanelDownloads::freePath(folder.path(), "report.pdf").filename().string();
    ASSERT_EQ(name.size(), std::string("report-").size() + 36 + 4) << name;
    EXPECT_TRUE(name.starts_with("report-") && name.ends_with(".pdf")) << name;
    const std::string uuid = name.substr(7, 36);
    EXPECT_TRUE(tarvo::Uuid::isWellFormed(uuid) && uuid.find_first_of("abcdef") == std::string::npos) << name;
}

TEST(PanelDownloadsFreePath, CutsALongNameOnWholeCharactersSoThatItsNumberedFormFits) {
    TemporaryFolder folder;
    std::string stem;
    for (int i = 0; i < 148; ++i) stem += "é";
    const std::string suggested = stem + ".pdf";
    ASSERT_GT(suggested.size(), 255u);
    const fs::path first = PanelDownloads::freePath(folder.path(), suggested);
    touch(first);
    ASSERT_TRUE(fs::exists(first)) << "the file system took the name";
    EXPECT_EQ(PanelDownloads::freePath(folder.path(), suggested), folder / (first.stem().string() + " 2.pdf"));
    for (int n = 2; n <= 500; ++n) {
        const fs::path numbered = folder / (first.stem().string() + " " + std::to_string(n) + ".pdf");
        touch(numbered);
        ASSERT_TRUE(fs::exists(numbered)) << numbered.filename();
    }
    for (const std::string& name : namesIn(folder.path())) {
        EXPECT_LE(name.size(), 255u);
        EXPECT_TRUE(tarvo::Text::isWellFormedUtf8(name)) << name;
        EXPECT_TRUE(name.ends_with(".pdf")) << name;
    }
    const fs::path last = PanelDownloads::freePath(folder.path(), suggested);
    touch(last);
    EXPECT_TRUE(fs::exists(last)) << last.filename();
}

TEST_F(Downloads, RefusesAnAnswerItMustNotSaveAndTellsThePageWhy) {
    struct Case {
        std::string what;
        PanelDownloads::Download download;
        std::string line;
        std::string reason;
    };
    const std::string signIn = "That file needs the panel to sign in again, so nothing was saved.";
    PanelDownloads::Download notFound = download("a", "x.pdf");
    notFound.response->status = 404;
    PanelDownloads::Download redirected = download("b", "login.html");
    redirected.response->url = "https://tarvo.example/login?next=/app";
    PanelDownloads::Download unanswered = download("c", "x.pdf");
    unanswered.response.reset();
    const Case cases[] = {
        {"404", notFound, "tarvo: not saving a download the server refused with 404",
         "The server refused that file (404), so nothing was saved."},
        {"redirected", redirected, "tarvo: not saving a download that was redirected away from the file", signIn},
        {"no answer", unanswered, "tarvo: not saving a download that was redirected away from the file", signIn},
    };
    for (const Case& c : cases) {
        told.clear();
        downloads.openWhenSaved(c.download.id);
        EXPECT_EQ(downloads.decideDestination(c.download, tell()), std::nullopt) << c.what;
        EXPECT_EQ(told, std::vector<std::string>{event("failed", c.reason)}) << c.what;
        EXPECT_EQ(log.lines().back(), c.line) << c.what;
    }
    EXPECT_FALSE(fs::exists(files->folder));

    // Only an attachment must come from where it was asked: any other address may redirect.
    PanelDownloads::Download elsewhere = download("d", "x.pdf", "https://files.example/x.pdf");
    elsewhere.response->url = "https://cdn.example/x.pdf";
    EXPECT_NE(downloads.decideDestination(elsewhere, tell()), std::nullopt);
}

TEST_F(Downloads, SaysWhyWhenTheDownloadsFolderCannotBeMade) {
    touch(home / "Downloads");
    EXPECT_EQ(downloads.decideDestination(download("a", "x.pdf"), tell()), std::nullopt);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], event("failed", std::make_error_code(std::errc::not_a_directory).message()));
    EXPECT_TRUE(log.lines().back().starts_with("tarvo: cannot use " + (home / "Downloads").string() +
                                               " for a download — "));
}

TEST_F(Downloads, GivesTwoRunningDownloadsOfOneNameTwoFilesAndLosesNeither) {
    const auto first = downloads.decideDestination(download("a", "report.pdf"), tell());
    const auto second = downloads.decideDestination(download("b", "report.pdf"), tell());
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->filename(), "report.pdf");
    EXPECT_EQ(second->filename(), "report 2.pdf");
    finish("b", "second");
    finish("a", "first");
    EXPECT_EQ(contents(*first), "first");
    EXPECT_EQ(contents(*second), "second");
    EXPECT_EQ(namesIn(files->folder), (std::vector<std::string>{".tarvo-downloading", "report 2.pdf", "report.pdf"}));
    EXPECT_TRUE(fs::is_empty(downloads.stagingFolder()));
    EXPECT_EQ(told, (std::vector<std::string>{event("started"), event("started"), event("saved"), event("saved")}));
}

TEST_F(Downloads, OpensOnlyAFileMarkedToOpenWhoseTypeOpensDirectlyAndRevealsTheRest) {
    struct Case {
        std::string name;
        bool toOpen;
        bool opened;
        std::optional<std::string> markFailure = std::nullopt;
    };
    const Case cases[] = {
        {"notes.MD", true, true},
        {"notes.md", false, false},
        {"archive.zip", true, false},
        {"paper.pdf", true, false, "Operation not supported"},
        {"slides.pptx", true, false},
    };
    int id = 0;
    for (const Case& c : cases) {
        files->opened.clear();
        files->revealed.clear();
        files->markFailure = c.markFailure;
        const std::string name = std::to_string(++id);
        if (c.toOpen) downloads.openWhenSaved(name);
        const auto destination = downloads.decideDestination(download(name, c.name), tell());
        ASSERT_TRUE(destination) << c.name;
        told.clear();
        finish(name, "bytes");
        EXPECT_EQ(files->opened, c.opened ? std::vector<fs::path>{*destination} : std::vector<fs::path>{}) << c.name;
        EXPECT_EQ(files->revealed, c.opened ? std::vector<fs::path>{} : std::vector<fs::path>{*destination})
            << c.name;
        EXPECT_EQ(told, std::vector<std::string>{event("saved")}) << c.name;
        EXPECT_EQ(contents(*destination), "bytes");
    }
    const auto lines = log.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "tarvo: could not mark paper.pdf as downloaded — Operation not supported"),
              lines.end());
    ASSERT_FALSE(files->marks.empty());
    EXPECT_EQ(files->marks[0].origin, "https://tarvo.example/api/attachments/42");
    EXPECT_EQ(files->marks[0].referrer, "https://tarvo.example/app");
}

TEST_F(Downloads, AFailedDownloadGivesBackItsNameAndTellsThePage) {
    const auto destination = downloads.decideDestination(download("a", "report.pdf"), tell());
    ASSERT_TRUE(destination && fs::exists(*destination));
    downloads.fail("a", "the network connection was lost");
    EXPECT_FALSE(fs::exists(*destination));
    EXPECT_EQ(told, (std::vector<std::string>{event("started"), event("failed", "the network connection was lost")}));
    EXPECT_EQ(log.lines().back(), "tarvo: a download failed — the network connection was lost");
    EXPECT_TRUE(files->revealed.empty() && files->opened.empty());

    told.clear();
    downloads.fail("b", "could not connect", tell());
    EXPECT_EQ(told, std::vector<std::string>{event("failed", "could not connect")});
}

TEST_F(Downloads, AnEmptiedStagingFolderKeepsNothingAnEarlierEngineLeftHalfWritten) {
    touch(downloads.stagingFolder() / "8f1c-partial", "half");
    touch(downloads.stagingFolder() / "8f1c-partial.crdownload", "half");
    fs::create_directory(downloads.stagingFolder() / "kept");
    touch(files->folder / "report.pdf", "saved");
    EXPECT_EQ(downloads.emptiedStagingFolder(), files->folder / PanelDownloads::stagingFolderName);
    EXPECT_EQ(namesIn(downloads.stagingFolder()), std::vector<std::string>{"kept"});
    EXPECT_EQ(contents(files->folder / "report.pdf"), "saved");
}

TEST(PanelDownloadsEvent, CarriesTheStateAndReasonAsJson) {
    EXPECT_EQ(PanelDownloads::eventScript("started", std::nullopt),
              "window.dispatchEvent(new CustomEvent('tarvo:download', { detail: {\"state\":\"started\"} }))");
    EXPECT_EQ(PanelDownloads::eventScript("failed", "it's \"gone\""),
              "window.dispatchEvent(new CustomEvent('tarvo:download', { detail: "
              "{\"state\":\"failed\",\"reason\":\"it's \\\"gone\\\"\"} }))");
    EXPECT_EQ(PanelDownloads::eventScript("failed", std::string("\xff")), "");
}
