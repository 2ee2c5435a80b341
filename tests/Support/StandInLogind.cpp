#include "Support/StandInLogind.h"

#include <chrono>
#include <stdexcept>
#include <string>

namespace tarvo::testing {
namespace {

constexpr const char* managerPath = "/org/freedesktop/login1";
constexpr const char* managerInterface = "org.freedesktop.login1.Manager";
constexpr const char* sessionInterface = "org.freedesktop.login1.Session";

void check(int result, const char* what) {
    if (result < 0) throw std::runtime_error(std::string("stand-in logind: ") + what + " failed");
}

} // namespace

int StandInLogind::getSession(sd_bus_message* call, void* self, sd_bus_error*) {
    const char* name = nullptr;
    if (sd_bus_message_read(call, "s", &name) < 0) return -EINVAL;
    ++static_cast<StandInLogind*>(self)->sessionQuestions_;
    return sd_bus_reply_method_return(call, "o", sessionPath);
}

int StandInLogind::property(sd_bus*, const char*, const char*, const char* name, sd_bus_message* reply, void* self,
                            sd_bus_error*) {
    const auto& logind = *static_cast<StandInLogind*>(self);
    const std::string property(name);
    const bool value = property == "LockedHint" ? logind.lockedHint_
                       : property == "Active"   ? logind.active_
                                                : logind.idleHint_;
    return sd_bus_message_append(reply, "b", static_cast<int>(value));
}

StandInLogind::StandInLogind(const std::string& busAddress) {
    static const sd_bus_vtable managerTable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("GetSession", "s", "o", &StandInLogind::getSession, 0),
        SD_BUS_SIGNAL("PrepareForSleep", "b", 0),
        SD_BUS_VTABLE_END,
    };

    static const sd_bus_vtable sessionTable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_PROPERTY("LockedHint", "b", &StandInLogind::property, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
        SD_BUS_PROPERTY("Active", "b", &StandInLogind::property, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
        SD_BUS_PROPERTY("IdleHint", "b", &StandInLogind::property, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
        SD_BUS_SIGNAL("Lock", "", 0),
        SD_BUS_SIGNAL("Unlock", "", 0),
        SD_BUS_VTABLE_END,
    };
    sd_bus* bus = nullptr;
    check(sd_bus_new(&bus), "sd_bus_new");
    bus_.reset(bus);
    check(sd_bus_set_address(bus, busAddress.c_str()), "sd_bus_set_address");
    check(sd_bus_set_bus_client(bus, 1), "sd_bus_set_bus_client");
    check(sd_bus_start(bus), "sd_bus_start");
    sd_bus_slot* slot = nullptr;
    check(sd_bus_add_object_vtable(bus, &slot, managerPath, managerInterface, managerTable, this), "the manager");
    manager_.reset(slot);
    check(sd_bus_add_fallback_vtable(bus, &slot, "/org/freedesktop/login1/session", sessionInterface, sessionTable,
                                     nullptr, this),
          "the sessions");
    session_.reset(slot);
    check(sd_bus_request_name(bus, "org.freedesktop.login1", 0), "owning the name");
    server_ = std::thread([this] { serve(); });
}

StandInLogind::~StandInLogind() {
    stopping_ = true;
    server_.join();
}

void StandInLogind::serve() {
    while (!stopping_) {
        {
            std::lock_guard guard(lock_);
            while (sd_bus_process(bus_.get(), nullptr) > 0) {
            }
        }
        sd_bus_wait(bus_.get(), 20'000);
    }
}

void StandInLogind::prepareForSleep(bool sleeping) {
    std::lock_guard guard(lock_);
    check(sd_bus_emit_signal(bus_.get(), managerPath, managerInterface, "PrepareForSleep", "b",
                             static_cast<int>(sleeping)),
          "PrepareForSleep");
    sd_bus_flush(bus_.get());
}

void StandInLogind::emit(const char* member, const char* path) {
    std::lock_guard guard(lock_);
    check(sd_bus_emit_signal(bus_.get(), path, sessionInterface, member, ""), member);
    sd_bus_flush(bus_.get());
}

void StandInLogind::change(const char* property, bool value) {
    std::lock_guard guard(lock_);
    const std::string name(property);
    (name == "LockedHint" ? lockedHint_ : name == "Active" ? active_ : idleHint_) = value;
    check(sd_bus_emit_properties_changed(bus_.get(), sessionPath, sessionInterface, property, nullptr), property);
    sd_bus_flush(bus_.get());
}

} // namespace tarvo::testing
