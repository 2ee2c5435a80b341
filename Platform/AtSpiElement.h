#pragma once

#include <memory>

#include "Platform/AtSpiWorker.h"

typedef struct _AtspiAccessible AtspiAccessible;

namespace tarvo {

// A reference to one live element on the accessibility bus. Copies share the reference; the
// last copy to go hands it back on the accessibility worker's thread, wherever it goes (the
// release runs the bus library's clean-up, which only that thread may run), and not at all once
// the worker has gone.
class AtSpiElement {
public:
    // Takes over `object`'s reference; on the worker's thread only.
    static AtSpiElement adopt(AtspiAccessible* object);

    AtspiAccessible* get() const { return held_->object; }

    // The same element of the bus (elements are unique per application and path).
    bool operator==(const AtSpiElement& other) const { return get() == other.get(); }

private:
    struct Held {
        AtspiAccessible* object;
        std::weak_ptr<AtSpiWorker::Queue> queue;
        ~Held();
    };
    explicit AtSpiElement(std::shared_ptr<Held> held) : held_(std::move(held)) {}

    std::shared_ptr<Held> held_;
};

} // namespace tarvo
