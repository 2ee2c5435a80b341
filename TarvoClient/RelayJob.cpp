#include "TarvoClient/RelayJob.h"

#include "TarvoBase/JsonReader.h"
#include "TarvoClient/JsonList.h"

namespace tarvo {

RelayJob RelayJob::fromJson(const Json& json, std::string path) {
    const JsonReader reader(json, std::move(path));
    RelayJob job;
    job.id = reader.string("id");
    job.channelKind = reader.string("channelKind");
    job.threadId = reader.string("threadId");
    job.conversationRef = reader.string("conversationRef");
    job.conversationName = reader.optionalString("conversationName");
    job.body = reader.string("body");
    if (const Json* attachments = reader.optionalArray("attachments")) {
        job.attachments = recordList<RelayAttachment>(*attachments, reader.memberPath("attachments"));
    }
    job.waitingSeconds = reader.int64("waitingSeconds");
    job.attempts = reader.int64("attempts");
    return job;
}

} // namespace tarvo
