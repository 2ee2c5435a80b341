#pragma once

#include <string>
#include <vector>

#include "TarvoCore/Ports/Opener.h"

namespace tarvo::testing {

// Opens nothing; keeps every address it was asked to open.
class RecordingOpener final : public Opener {
public:
    void open(const std::string& address) override { opened.push_back(address); }

    std::vector<std::string> opened;
};

} // namespace tarvo::testing
