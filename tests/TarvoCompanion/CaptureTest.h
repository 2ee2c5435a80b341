#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "IngestService.h"
#include "Support/CapturedPlainLog.h"
#include "Support/MemoryContactStore.h"
#include "Support/MessagesDatabaseFixture.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/FileSettingsStore.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/Companion.h"
#include "TarvoCompanion/Operator/SimulatedOperatorLink.h"
#include "TarvoCompanion/Operator/SimulatedOperatorPermissions.h"
#include "TarvoCompanion/WhatsApp/SimulatedWhatsAppSession.h"

namespace tarvo::testing {

// The companion signed in to the loopback service; everything else is its own.
class SignedInCompanion final : public Companion {
public:
    SignedInCompanion(Services services, std::shared_ptr<BrainClient> client)
        : Companion(std::move(services)), client_(std::move(client)) {}

    std::shared_ptr<BrainClient> client() override { return client_; }

private:
    std::shared_ptr<BrainClient> client_;
};

// A real Messages database in WAL mode, the service on 127.0.0.1 and a clock moved by hand.
class CaptureTest : public ::testing::Test {
protected:
    using Date = ChatDatabase::Date;

    // 2026-03-02 10:00:00 UTC.
    static constexpr Date noon{std::chrono::sys_days{std::chrono::year{2026} / 3 / 2} + std::chrono::hours{10}};

    CaptureTest() {
        defaults->set(Json("ch-imessage"), CompanionSettings::imessageChannelIdKey);
        contacts->byPhoneNumber["+15550001"] = {"Ana Silva"};
        service.answer("POST", "/v1/ingest", 200, "{}");
        service.answer("POST", "/v1/ingest/message-events", 200, "{}");
    }

    std::shared_ptr<BrainClient> signedInClient() const { return clientSignedInTo(service); }

    // A companion over the database and the settings, ready to capture: it has checked that
    // the database can be read.
    std::shared_ptr<SignedInCompanion> makeCompanion(std::shared_ptr<BrainClient> client,
                                                     std::optional<std::filesystem::path> chatDb = std::nullopt) {
        auto companion = std::make_shared<SignedInCompanion>(
            Companion::Services{
                .defaults = defaults,
                .chatDatabasePath = chatDb.value_or(messages.path()).string(),
                .whatsapp = std::make_shared<SimulatedWhatsAppSession>(),
                .operatorPermissions = std::make_shared<SimulatedOperatorPermissions>(),
                .operatorLink = std::make_shared<SimulatedOperatorLink>(),
                .contactStore = contacts,
                .handedOverJournal = folder / "data" / "handed-over.jsonl",
            },
            std::move(client));
        runUntilDone(loop, companion->refreshPermissionsNow());
        return companion;
    }

    std::shared_ptr<SignedInCompanion> makeCompanion() { return makeCompanion(signedInClient()); }

    void capture(Companion& companion) { runUntilDone(loop, companion.capture()); }

    // A row of the default chat with text, dated `date`.
    std::int64_t addText(const std::string& guid, Date date, std::int64_t chat = 0) {
        return messages.addMessage({.guid = guid,
                                    .chat = chat ? chat : friendChat,
                                    .date = MessagesDatabaseFixture::nanoseconds(date),
                                    .text = "text of " + guid,
                                    .handle = friendHandle});
    }

    std::vector<Json> ingested() const { return ingestedBodies(service); }
    std::vector<std::string> ingestedIds() const { return testing::ingestedIds(service); }

    long linesStartingWith(const std::string& opening) const {
        const auto lines = log.lines();
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& line) { return line.starts_with(opening); });
    }

    bool logged(const std::string& line) const {
        const auto lines = log.lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>(noon);
    RunLoop loop{clock};
    TemporaryFolder folder;
    MessagesDatabaseFixture messages{folder / "chat.db"};
    std::int64_t friendHandle = messages.addHandle("+15550001");
    std::int64_t friendChat = messages.addChat({.chatIdentifier = "+15550001"});
    // The settings file a restart reads again.
    std::shared_ptr<SettingsStore> defaults = std::make_shared<FileSettingsStore>(folder / "config");
    std::shared_ptr<MemoryContactStore> contacts = std::make_shared<MemoryContactStore>();
    FakeService service;
    CapturedPlainLog log;
};

} // namespace tarvo::testing
