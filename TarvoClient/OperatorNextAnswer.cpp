#include "TarvoClient/OperatorNextAnswer.h"

#include "TarvoBase/JsonReader.h"

namespace tarvo {
namespace {

std::optional<JSONValue::Object> optionalObject(const JsonReader& reader, const char* key) {
    auto object = reader.optionalObject(key);
    if (!object) return std::nullopt;
    return JSONValue::objectFromJson(object->json(), reader.memberPath(key));
}

} // namespace

OperatorNextAnswer OperatorNextAnswer::fromJson(const Json& json, std::string path) {
    const JsonReader reader(json, std::move(path));
    OperatorNextAnswer answer;
    answer.kind = reader.string("kind");
    answer.runId = reader.optionalString("runId");
    answer.stepId = reader.optionalString("stepId");
    answer.ordinal = reader.optionalInt64("ordinal");
    answer.step = optionalObject(reader, "step");
    answer.answerWithinMs = reader.optionalInt64("answerWithinMs");
    answer.reason = reader.optionalString("reason");
    answer.liveRunId = reader.optionalString("liveRunId");
    if (auto pressed = reader.optionalObject("pressed")) {
        answer.pressed = Pressed::fromJson(pressed->json(), reader.memberPath("pressed"));
    }
    answer.permit = optionalObject(reader, "permit");
    return answer;
}

} // namespace tarvo
