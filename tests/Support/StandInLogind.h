#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "Platform/SdBusHandles.h"

namespace tarvo::testing {

using tarvo::SdBus;
using tarvo::SdBusSlot;

// A stand-in for logind on a private bus: it owns logind's name, names one session as the
// caller's own, and emits the signals and property changes the test asks for. Its bus is served
// on a thread of its own until it goes away.
class StandInLogind {
public:
    static constexpr const char* sessionPath = "/org/freedesktop/login1/session/_31";
    static constexpr const char* otherSessionPath = "/org/freedesktop/login1/session/_32";

    // Throws when it cannot connect or own the name.
    explicit StandInLogind(const std::string& busAddress);
    ~StandInLogind();

    StandInLogind(const StandInLogind&) = delete;
    StandInLogind& operator=(const StandInLogind&) = delete;

    // How many times a client asked which session is its own.
    int sessionQuestions() const { return sessionQuestions_; }

    void prepareForSleep(bool sleeping);
    // Lock or Unlock on `path`.
    void emit(const char* member, const char* path = sessionPath);
    // Changes a property of the own session (LockedHint, Active or IdleHint) and says so.
    void change(const char* property, bool value);

private:
    static int getSession(sd_bus_message* call, void* self, sd_bus_error* error);
    static int property(sd_bus* bus, const char* path, const char* interface, const char* name,
                        sd_bus_message* reply, void* self, sd_bus_error* error);
    void serve();

    mutable std::mutex lock_;
    SdBus bus_;
    SdBusSlot manager_;
    SdBusSlot session_;
    bool lockedHint_ = false;
    bool active_ = true;
    bool idleHint_ = false;
    std::atomic<int> sessionQuestions_ = 0;
    std::atomic<bool> stopping_ = false;
    std::thread server_;
};

} // namespace tarvo::testing
