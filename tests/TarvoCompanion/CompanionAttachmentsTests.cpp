#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "CaptureTest.h"
#include "TarvoBase/Base64.h"

using namespace std::chrono_literals;
using tarvo::AttachmentOutcome;
using tarvo::Companion;
using tarvo::Json;
using tarvo::testing::CaptureTest;

TEST(AttachmentLine, CountsEndInACommaAndABlankAndNothingIsEmpty) {
    EXPECT_EQ(Companion::attachmentLine({.sent = 2, .notWanted = 1, .failed = 0}),
              "files: 2 sent, 1 not wanted, 0 failed, ");
    EXPECT_EQ(Companion::attachmentLine({}), "");
}

TEST_F(CaptureTest, EachDecisionOnAFileCountsOnceAndWhatWentWrongIsSaid) {
    const auto files = folder / "Attachments";
    std::filesystem::create_directories(files / "a-folder");
    std::ofstream(files / "photo.jpg") << "hello";
    std::ofstream(files / "lost.jpg") << "uploaded into a refusal";
    std::ofstream(files / "huge.mov").close();
    std::filesystem::resize_file(files / "huge.mov", Companion::attachmentByteLimit + 1);

    const auto row = addText("with-files", noon - 3h);
    auto attach = [&](const std::string& guid, std::optional<std::filesystem::path> path) {
        messages.addAttachment(row, {.guid = guid,
                                     .filename = path ? std::optional(path->string()) : std::nullopt,
                                     .transferName = guid + ".bin",
                                     .mimeType = "application/octet-stream",
                                     .totalBytes = 5});
    };
    attach("sent", files / "photo.jpg");
    attach("declined", files / "photo.jpg");
    attach("noId", files / "photo.jpg");
    attach("huge", files / "huge.mov");
    attach("gone", files / "missing.jpg");
    attach("refused", files / "lost.jpg");
    attach("unreadable", files / "a-folder");
    attach("nowhere", std::nullopt);

    auto decision = [](const std::string& externalId, const char* kind, bool want, const char* reason = nullptr) {
        Json d{{"externalId", externalId}, {"mediaClass", kind}, {"wantBytes", want}};
        if (externalId != "noId") d["id"] = "srv-" + externalId;
        if (reason) d["reason"] = reason;
        return d;
    };
    const Json answer{{"attachments",
                       {decision("sent", "image", true), decision("declined", "image", false, "over the plan's limit"),
                        decision("noId", "image", true), decision("huge", "video", true),
                        decision("gone", "image", true), decision("refused", "image", true),
                        decision("unreadable", "image", true), decision("nowhere", "audio", true),
                        decision("unsent", "image", true)}}};
    service.answerJson("POST", "/v1/ingest", 200, answer);
    service.answer("POST", "/v1/ingest/attachments/srv-sent/bytes", 200, "{}");
    service.answer("POST", "/v1/ingest/attachments/srv-refused/bytes", 500, R"({"code":"storage_down"})");

    capture(*makeCompanion());

    ASSERT_EQ(ingested().size(), 1u);
    EXPECT_EQ(ingested()[0].at("attachments").size(), 8u);
    EXPECT_EQ(ingested()[0].at("attachments")[0],
              (Json{{"externalId", "sent"}, {"filename", "sent.bin"}, {"mimeType", "application/octet-stream"},
                    {"sizeBytes", 5}}));
    const auto uploads = service.requests("POST", "/v1/ingest/attachments/srv-sent/bytes");
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(Json::parse(uploads[0].body), (Json{{"dataBase64", tarvo::Base64::encode("hello")}}));
    EXPECT_EQ(service.requests("POST", "/v1/ingest/attachments/srv-refused/bytes").size(), 1u);

    EXPECT_TRUE(logged("tarvo: attachment (image) bytes not sent — over the plan's limit"));
    EXPECT_TRUE(logged("tarvo: attachment (video) not readable — absent from this Mac, or over the 25 MB limit"));
    EXPECT_TRUE(logged("tarvo: attachment (image) not readable — absent from this Mac, or over the 25 MB limit"));
    EXPECT_TRUE(logged("tarvo: attachment upload skipped — the brain named a file this scan did not send"));
    EXPECT_TRUE(logged("tarvo: attachment (audio) has no file on this Mac to read"));
    // The refused upload and the file that could not be read.
    EXPECT_EQ(linesStartingWith("tarvo: attachment (image) upload failed: "), 2);
    EXPECT_TRUE(logged("tarvo: capture read 1 message(s) since 2026-02-23 10:00:00 +0000, skipped 0 without text or "
                       "files, files: 1 sent, 2 not wanted, 6 failed, named 1, no contact for 0, 0 not looked up "
                       "(contacts access: authorised)"));
}
