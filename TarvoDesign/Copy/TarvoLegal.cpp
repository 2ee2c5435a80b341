#include "TarvoDesign/Copy/TarvoLegal.h"

namespace tarvo {

const std::vector<TarvoLegalDocument>& TarvoLegal::documents() {
    static const std::vector<TarvoLegalDocument> all{
        {"terms", "Terms of Service",
         "I have read and agree to the Terms of Service.",
         "/terms", true},
        {"privacy", "Privacy Policy",
         "I have read the Privacy Policy and agree to how Tarvo handles my data.",
         "/privacy", true},
        {"waiver", "Access and risk",
         "I understand Tarvo reads my messages and may request Full Disk Access, that its drafts can be wrong, and that I am responsible for anything sent from my account, including replies sent by an automatic reply setting I switch on. I agree to the release of claims and the waiver of California Civil Code section 1542 set out in the Terms.",
         "/terms#risk", true},
        {"ai", "Sending your messages to an AI provider",
         "I understand that to draft for me, Tarvo sends my conversations to its AI providers — Anthropic and OpenAI — including the messages other people wrote to me, the files and photographs in those conversations, the audio of voice notes so they can be transcribed, and — if I use Tarvo on smart glasses and choose to speak an instruction — the recording of what I said, which is sent to be turned into text and is only captured while I have asked it to listen. They receive it to return a result to me, under the data-processing terms they publish, and neither may use it to train a general model. I permit that.",
         "/privacy#ai", true},
        {"agent", "Tarvo doing things for you",
         "I understand that Tarvo can browse the web on a machine it runs, and can stay signed in to sites I sign in to myself on a live view of the page — my password goes to that site and is never stored by Tarvo, and the session it creates is kept encrypted until I remove it in Settings. I understand that Tarvo clicks and types on websites for me in a browser I can watch and take over, that what it reads on those pages goes to its AI providers, and that it stops for my press before anything it can tell would send, post, book or pay — a purchase included, each with its own press, whatever I have switched on. I understand that I can switch on, separately and by name, its ability to put meetings in my calendar, to send a message I ask for in my own words without showing me the draft first, and to build changes into my Lovable projects — which is what devices with no screen, like smart glasses and the Tarvo keyring, need in order to work at all. Anything Tarvo does under that authority or on my press, a purchase included, is my own act and my responsibility, including where a site’s own terms restrict automated access to my account there.",
         "/terms#agent", true},
    };
    return all;
}

} // namespace tarvo
