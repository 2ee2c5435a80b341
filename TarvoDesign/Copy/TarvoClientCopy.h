#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "TarvoDesign/Copy/SocialRowCopy.h"
#include "TarvoDesign/Words/BrainWords.h"

namespace tarvo {

// The copy of the screens that show what Tarvo knows about the user, the same-person question,
// the assistant's conversation and the browser extensions, with the social channels' rows.
// Placeholders in braces are filled by BrainWords::fill.
struct TarvoClientCopy {
    static constexpr std::string_view aiCheckLine = "AI can make mistakes \u2014 check every reply before you send.";
    static constexpr std::string_view socialPhoneModeLine = "Needs the Tarvo app on an Android phone.";
    static constexpr std::string_view socialRobotNotReadyLine = "Connecting through the Tarvo browser is not ready yet.";
    // Channel kind to the copy of its row.
    static const std::map<std::string, SocialRowCopy, std::less<>>& socialRows();

    struct AboutYou {
        static constexpr std::string_view libraryTitle = "Links & documents";
        static constexpr std::string_view libraryIntro =
            "Your website, your policies, price lists and other files. Tarvo reads them for your drafts and the Brain, and can share a link when it fits.";
        static constexpr std::string_view libraryInboxOn = "Every draft and the Brain use everything here.";
        static constexpr std::string_view libraryInboxOff =
            "The Brain uses everything here, and drafts can share your links. Drafts start reading the pages and files you add here once that is switched on for your account.";
        static constexpr std::string_view addLinkPlaceholder = "Paste a link, like your website";
        static constexpr std::string_view wholeSite = "Read the whole site, not just this page";
        static constexpr std::string_view fileLimits =
            "PDF, Word, text, Markdown or CSV, up to 25 MB each. Up to 200 links and files.";
        static constexpr std::string_view pdfLine =
            "PDFs are read page by page by AI, scanned pages included, but a faint or handwritten scan may come out incomplete, and a file with nothing readable says so. Pictures inside a Word file are not read. Up to 100 PDF pages a month are read on a free plan, 2,000 on a paid plan.";
        static constexpr std::string_view libraryEmpty =
            "Nothing added yet. Add your website, your policies or your files.";
        static constexpr std::string_view iosNoFiles = "Adding a file is on the web app or the Android app for now.";
        static constexpr std::string_view rulesTitle = "Rules the AI must follow";
        static constexpr std::string_view rulesIntro =
            "Type the rules every reply must follow: what never to say, what to always include, how to answer certain questions. They come before everything else Tarvo knows.";
        static constexpr std::string_view rulesPlaceholder =
            "For example: Never promise a delivery date. Always point refund questions to our returns page.";
        static constexpr std::string_view rulesInboxOn =
            "Every draft follows these first. A reply that answers a health or medication question, or states a legal or privacy position, waits for you to check it.";
        static constexpr std::string_view rulesInboxOff = "Every draft follows these first.";
    };

    struct SamePerson {
        static constexpr std::string_view title = "Same person?";
        static constexpr std::string_view yes = "Yes, link them";
        static constexpr std::string_view no = "No";
        static constexpr std::string_view undo = "Undo";
        static constexpr std::string_view linked =
            "Linked. {social} is your {name} now — the conversation, its history and what Tarvo knows carry over.";
        static constexpr std::string_view declined = "Got it. Tarvo won’t ask about these two again.";
        static constexpr std::string_view undone = "Unlinked. They are two contacts again, and Tarvo won’t ask again.";
        static constexpr std::string_view failed = "That did not go through. Try again in a moment.";
    };

    struct Computer {
        static constexpr std::string_view title = "On your computer";
        static constexpr std::string_view note = "Tarvo in your browser. Copy a link and open it on your computer.";
        static constexpr std::string_view chromeName = "Chrome";
        static constexpr std::string_view safariName = "Safari";
        static constexpr std::string_view connected = "Connected";
        static constexpr std::string_view notConnected = "Not connected yet";
        static constexpr std::string_view line = "{name} — {state}";
        static constexpr std::string_view chromeAbout = "Also works in Edge and Arc.";
        static constexpr std::string_view safariAbout = "Comes with the Tarvo app for Mac.";
        static constexpr std::string_view safariTurnOn =
            "Turn on in Safari: Safari → Settings → Extensions → tick Tarvo, then press ⌘⇧K on any page.";
        static constexpr std::string_view safariCode = "It shows a code. Press Connect and type it in.";
        static constexpr std::string_view addToChrome = "Add to Chrome";
        static constexpr std::string_view getMacApp = "Get the Mac app";
        static constexpr std::string_view connect = "Connect";
        static constexpr std::string_view copyLink = "Copy link";
        static constexpr std::string_view copied = "Copied. Open it on your computer.";
        static constexpr std::string_view tip = "Ask me about any web page — get Tarvo for your browser";
        static constexpr std::string_view tipOpen = "Get it";
        static constexpr std::string_view tipDismiss = "Not now";
        // Deployment values: empty unless the build was given them.
        static const std::string_view chromeLink;
        static const std::string_view safariLink;
    };

    // Most of these are the BrainWords constants themselves, so the two cannot drift apart.
    struct Brain {
        static constexpr std::string_view sheetSoul = BrainWords::sheetSoul;
        static constexpr std::string_view sheetVoice = BrainWords::sheetVoice;
        static constexpr std::string_view sheetWebsites = BrainWords::sheetWebsites;
        static constexpr std::string_view sheetSearch = BrainWords::sheetSearch;
        static constexpr std::string_view sheetActivity = BrainWords::sheetActivity;
        static constexpr std::string_view today = BrainWords::dayToday;
        static constexpr std::string_view yesterday = BrainWords::dayYesterday;
        static constexpr std::string_view working = "Working…";
        static constexpr std::string_view earlier = BrainWords::earlier;
        static constexpr std::string_view readingEarlier = BrainWords::readingEarlier;
        static constexpr std::string_view earlierConversation = BrainWords::chapterEarlier;
        static constexpr std::string_view backTo = BrainWords::chapterBackTo;
        static constexpr std::string_view deleteExchange = BrainWords::deleteExchangeAsk;
        static constexpr std::string_view delete_ = BrainWords::delete_;
        static constexpr std::string_view keep = BrainWords::keep;
        static constexpr std::string_view star = BrainWords::star;
        static constexpr std::string_view labelBrief = BrainWords::serverBrief;
        static constexpr std::string_view labelReminder = BrainWords::serverReminder;
        static constexpr std::string_view labelNudge = BrainWords::serverNudge;
        static constexpr std::string_view labelMissionNote = BrainWords::serverMissionNote;
        static constexpr std::string_view labelSystem = BrainWords::serverSystem;
        static constexpr std::string_view proposalAsk = BrainWords::proposalAsk;
        static constexpr std::string_view proposalStarted = BrainWords::proposalStarted;
        static constexpr std::string_view proposalAwayOn = BrainWords::proposalStartedAway;
        static constexpr std::string_view proposalAwayOff = BrainWords::proposalStartedHere;
        static constexpr std::string_view proposalStart = BrainWords::proposalStart;
        static constexpr std::string_view proposalNotNow = BrainWords::proposalNotNow;
        static constexpr std::string_view proposalAway = BrainWords::proposalAway;
        static constexpr std::string_view todayEmptyWithTasks = BrainWords::todayEmptyWithTasks;
        static constexpr std::string_view todayEmptyNoTasks = BrainWords::todayEmptyWithoutTasks;
        static constexpr std::string_view macChip = BrainWords::macChip;
        static constexpr std::string_view macReady = BrainWords::macReadyOne;
        static constexpr std::string_view macArmed = BrainWords::macArmed;
        static constexpr std::string_view macsReady = BrainWords::macReadyMany;
        static constexpr std::string_view macLooking = BrainWords::macLooking;
        static constexpr std::string_view macFinished = BrainWords::macFinished;
        static constexpr std::string_view macStopped = BrainWords::macStopped;
        static constexpr std::string_view macThinking = BrainWords::macThinking;
        static constexpr std::string_view macNothing = BrainWords::macLookedAtNothing;
        static constexpr std::string_view macOnlyLooks = BrainWords::macCanOnlyLook;
        static constexpr std::string_view macStop = BrainWords::macStop;
        static constexpr std::string_view macStopping = BrainWords::macStopping;
        static constexpr std::string_view macPlaceholder = BrainWords::composerMacPlaceholder;
        static constexpr std::string_view macStepQueued = BrainWords::macStepQueued;
        static constexpr std::string_view macStepClaimed = BrainWords::macStepClaimed;
        static constexpr std::string_view macStepDone = BrainWords::macStepDone;
        static constexpr std::string_view macStepRefused = BrainWords::macStepRefused;
        static constexpr std::string_view macStepRefusedWhy = "The Mac said no: {line}";
        static constexpr std::string_view macStepFailed = BrainWords::macStepFailed;
        static constexpr std::string_view macStepFailedWhy = "It did not work: {line}";
        static constexpr std::string_view macStepCancelled = BrainWords::macStepCancelled;
        static constexpr std::string_view macShowScreen = BrainWords::macShowScreen;
        static constexpr std::string_view notificationsTitle = BrainWords::notifications;
        static constexpr std::string_view howProactive = BrainWords::howProactive;
        static constexpr std::string_view proactiveDefault = " (default)";
        static constexpr std::string_view proactiveCaption = BrainWords::remindersAlwaysRing;
        static constexpr std::string_view quietHours = "Quiet hours: {line} ({zone})";
        static constexpr std::string_view quietNone = BrainWords::quietNone;
        static constexpr std::string_view quietSwitch = BrainWords::quietHold;
        static constexpr std::string_view quietCaption = BrainWords::quietNote;
        static constexpr std::string_view briefTitle = BrainWords::briefDaily;
        static constexpr std::string_view briefNotify = BrainWords::briefNotify;
        static constexpr std::string_view briefCaption = BrainWords::briefNote;
        static constexpr std::string_view notificationsReading = BrainWords::notificationsReading;
        static constexpr std::string_view cardWaits = BrainWords::cardNothingUntilApply;
        static constexpr std::string_view apply = BrainWords::cardApply;
        static constexpr std::string_view notNow = BrainWords::proposalNotNow;
        static constexpr std::string_view asOf = BrainWords::todayAsOf;
        static constexpr std::string_view activityWaiting = BrainWords::activityWaiting;
        static constexpr std::string_view activityDone = BrainWords::activityDone;
        static constexpr std::string_view activityAllowed = BrainWords::activityAllowed;
        static constexpr std::string_view activityTakeBack = BrainWords::activityTakeBack;
        static constexpr std::string_view activityNeverAlways = BrainWords::activityNeverAlways;
        static constexpr std::string_view activityReading = BrainWords::activityReading;
        static constexpr std::string_view activityRevokeFailed = BrainWords::activityNothingChanged;
        static constexpr std::string_view conversationTitle = BrainWords::conversationBrain;
        static constexpr std::string_view conversationHow = BrainWords::conversationHelp;
        static constexpr std::string_view conversationAsk = BrainWords::conversationAsk;
        static constexpr std::string_view conversationFiles = BrainWords::conversationFilesAndLinks;
    };
};

} // namespace tarvo
