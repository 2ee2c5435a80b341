#include "TarvoCore/WhatsApp/PageScripts.h"

#include "TarvoBase/AtomicFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

using namespace tarvo;

namespace {

const std::filesystem::path scripts = TARVO_EMBEDDED_SCRIPTS;

TEST(PageScripts, EachScriptIsBuiltInByteForByte) {
    for (const char* name : {"awkward.js", "empty.js", "nested/inner.js"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(pageScript(name), AtomicFile::read(scripts / name));
    }
}

TEST(PageScripts, AnUnknownNameIsRefusedByName) {
    try {
        pageScript("absent.js");
        FAIL() << "no error for an unknown script";
    } catch (const std::out_of_range& error) {
        EXPECT_NE(std::string(error.what()).find("\"absent.js\""), std::string::npos) << error.what();
    }
    EXPECT_THROW(pageScript("awkward"), std::out_of_range);
}

} // namespace
