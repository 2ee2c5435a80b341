#include "TarvoCore/Operator/MacIdentityWire.h"

namespace tarvo {

Json MacIdentityWire::fields(std::string_view installId, const MacHardware& hardware) {
    Json object = Json::object();
    object["installId"] = installId;
    if (hardware.hardwareModel) object["hardwareModel"] = *hardware.hardwareModel;
    if (hardware.modelName) object["modelName"] = *hardware.modelName;
    if (hardware.kind) object["kind"] = hardware.kind->rawValue();
    return object;
}

} // namespace tarvo
