#include "Platform/AtSpiElement.h"

#include <atspi/atspi.h>

namespace tarvo {

AtSpiElement AtSpiElement::adopt(AtspiAccessible* object) {
    return AtSpiElement(std::shared_ptr<Held>(new Held{object, AtSpiWorker::Queue::current()}));
}

AtSpiElement::Held::~Held() {
    if (!object) return;
    const auto onThread = AtSpiWorker::Queue::current();
    if (onThread) {
        g_object_unref(object);
        return;
    }
    if (const auto worker = queue.lock()) worker->post([object = object] { g_object_unref(object); });
}

} // namespace tarvo
