// The columns of TarvoEndpoint, one direct selection per case.
// Written by tools/generate-endpoint-catalogue.mjs from endpoints.json: edit that file and run it.

#include "TarvoDesign/Endpoints/TarvoEndpoint.h"

namespace tarvo {
namespace {

// The sentence of each refusal code, where a case does not word it its own way.
namespace sentence {
constexpr std::string_view access_denied = "The user declined to give access, so nothing was connected.";
constexpr std::string_view account_closed = "This account has been closed.";
constexpr std::string_view ai_off = "AI is switched off for this account, so nothing was drafted.";
constexpr std::string_view already_configured = "This is set up already.";
constexpr std::string_view already_decided = "That has already been answered.";
constexpr std::string_view already_delivered = "That delivery was already acknowledged.";
constexpr std::string_view already_disconnected = "That connection is already gone.";
constexpr std::string_view already_enabled = "That is already switched on.";
constexpr std::string_view already_live = "A live view is already open for this.";
constexpr std::string_view already_running = "That run is already going.";
constexpr std::string_view already_seated = "That person already has a seat on this account.";
constexpr std::string_view already_sent = "That reply has already gone.";
constexpr std::string_view already_started = "That has already started and can no longer be changed.";
constexpr std::string_view already_uploaded = "That file has already arrived.";
constexpr std::string_view amount_exceeds_charge = "A refund cannot be larger than the charge it refunds.";
constexpr std::string_view asks_every_time = "This always waits for a press and cannot be allowed for good.";
constexpr std::string_view attachment_missing = "A file this reply names is not on the conversation.";
constexpr std::string_view attachment_not_accepted = "This channel does not take that kind of file.";
constexpr std::string_view attachment_too_large = "That file is over the channel's limit.";
constexpr std::string_view attachment_unavailable = "That file is no longer kept, so it cannot be shown.";
constexpr std::string_view audio_too_long = "That recording is longer than can be turned into text.";
constexpr std::string_view bad_request = "The request does not have the shape this endpoint takes.";
constexpr std::string_view below_threshold = "That amount is below the smallest top-up.";
constexpr std::string_view billing_not_configured = "Payments are not set up for this deployment.";
constexpr std::string_view brain_requires_paid_plan = "The Brain needs a paid plan.";
constexpr std::string_view browser_unavailable = "No browser is free to run this right now. Try again in a moment.";
constexpr std::string_view busy = "Something else is being done for this right now. Try again in a moment.";
constexpr std::string_view bytes_not_kept = "The bytes of that file were not kept.";
constexpr std::string_view calendar_add_in_progress = "That event is already being added.";
constexpr std::string_view calendar_needs_reconnect = "The calendar connection has lapsed. Connect it again first.";
constexpr std::string_view calendar_refused = "The calendar refused that event.";
constexpr std::string_view cannot_press = "That step cannot be pressed from here.";
constexpr std::string_view cannot_read_whole = "That document is too long to read whole.";
constexpr std::string_view cannot_refresh = "That source cannot be read again.";
constexpr std::string_view caption_too_long = "The caption is longer than the channel allows.";
constexpr std::string_view card_changed = "The card changed while this was on its way.";
constexpr std::string_view card_sent = "The card's reply has already gone.";
constexpr std::string_view changed = "It changed since it was read. Read it again first.";
constexpr std::string_view channel_cannot_attach = "This channel carries no file from here.";
constexpr std::string_view channel_disabled = "That channel is not switched on for this account.";
constexpr std::string_view channel_needs_reauth = "The channel's sign-in has lapsed. Connect it again first.";
constexpr std::string_view channel_not_connected = "That channel is not connected.";
constexpr std::string_view channel_not_found = "No such channel on this account.";
constexpr std::string_view channel_not_in_plan = "That channel is not part of this plan.";
constexpr std::string_view channel_not_offered = "That channel is not offered yet.";
constexpr std::string_view channel_on_another_device = "This channel is served by another device.";
constexpr std::string_view channel_paused = "That channel is paused.";
constexpr std::string_view channel_served_by_robot = "This channel is served by the Tarvo browser.";
constexpr std::string_view client_too_old = "This build is too old. Update it and try again.";
constexpr std::string_view code_taken = "That code is already in use.";
constexpr std::string_view confirm_mismatch = "The confirmation does not match.";
constexpr std::string_view confirm_required = "This needs to be confirmed first.";
constexpr std::string_view conflict = "That conflicts with a change made at the same time. Try again.";
constexpr std::string_view connector_not_configured = "That connector is not set up for this deployment.";
constexpr std::string_view consent_withheld = "Consent was not given, so nothing was sent on.";
constexpr std::string_view content_in_event = "Events carry no message content.";
constexpr std::string_view corpus_too_small = "There is not enough of your writing yet to learn your voice.";
constexpr std::string_view device_channel_requires_paid_tier = "A channel on your own device needs a paid plan.";
constexpr std::string_view draft_gone = "That draft is no longer there.";
constexpr std::string_view draft_limit_reached = "This period's drafts are used up.";
constexpr std::string_view draft_not_ready = "The draft is still being written.";
constexpr std::string_view drafting_unavailable = "Drafting is not available right now. Try again in a moment.";
constexpr std::string_view duplicate = "That was already received.";
constexpr std::string_view email_in_use = "That address belongs to another account.";
constexpr std::string_view exchange_failed = "The sign-in could not be completed with the provider.";
constexpr std::string_view expired = "That has expired. Ask for a new one.";
constexpr std::string_view extra_usage_unavailable = "Extra usage is not offered on this plan.";
constexpr std::string_view file_needs_words = "A file on this channel needs words to go with it.";
constexpr std::string_view filed_away = "That conversation is filed away.";
constexpr std::string_view files_changed = "The files changed since they were found. Search again first.";
constexpr std::string_view files_not_shown = "Those files were not shown in this run.";
constexpr std::string_view forbidden = "This account may not do that.";
constexpr std::string_view generation_id_conflict = "A draft with that id already exists.";
constexpr std::string_view generation_in_progress = "A draft is already being written for this.";
constexpr std::string_view handle_taken = "That handle is taken.";
constexpr std::string_view identity_paused = "That sign-in is paused.";
constexpr std::string_view illegal_transition = "It cannot move from its state to that one.";
constexpr std::string_view insufficient_funds = "The wallet does not hold enough for this.";
constexpr std::string_view internal_by_rule = "That account is internal by rule and cannot be changed.";
constexpr std::string_view invalid_client_metadata = "The client's registration is not valid.";
constexpr std::string_view invalid_grant = "That grant is not valid, expired or already used.";
constexpr std::string_view invalid_request = "The request is missing a part that is required.";
constexpr std::string_view invalid_token = "That token is unknown, expired or already used.";
constexpr std::string_view knowledge_full = "The knowledge store is full.";
constexpr std::string_view last_identity = "This is the last way to sign in, so it cannot be removed.";
constexpr std::string_view live_grants_changed = "The permissions changed while this was on its way.";
constexpr std::string_view malformed_archive = "That archive could not be read.";
constexpr std::string_view missing_scope = "This key does not carry the scope this needs.";
constexpr std::string_view mode_needs_your_screen =
    "A wider mode is set only by your own press: on the Tarvo website, on your phone, or in the Tarvo window on that Mac.";
constexpr std::string_view needs_real_email = "This needs a real e-mail address.";
constexpr std::string_view no_calendar = "No calendar is connected.";
constexpr std::string_view no_capabilities = "Nothing was advertised, so nothing can be routed here.";
constexpr std::string_view no_card = "There is no card for that.";
constexpr std::string_view no_channel_slots_left = "Every channel slot of this plan is in use.";
constexpr std::string_view no_channels = "No channel is connected yet.";
constexpr std::string_view no_conversation_yet = "There is no conversation with them yet.";
constexpr std::string_view no_criteria = "Say what to look for first.";
constexpr std::string_view no_device = "No device is signed in to serve this.";
constexpr std::string_view no_enrolment = "No enrolment was started.";
constexpr std::string_view no_model = "No model is available for this right now.";
constexpr std::string_view no_payment_provider = "No payment provider is set up.";
constexpr std::string_view no_project = "That conversation is not tied to a project.";
constexpr std::string_view no_relay_target = "No device is there to send this.";
constexpr std::string_view no_reply_needed = "That conversation needs no reply.";
constexpr std::string_view no_slots = "There is no free time then.";
constexpr std::string_view no_such_account = "No such account.";
constexpr std::string_view no_such_charge = "No such charge on that account.";
constexpr std::string_view no_such_code = "No such code.";
constexpr std::string_view no_such_coupon = "No such coupon.";
constexpr std::string_view no_such_grant = "No such permission is held.";
constexpr std::string_view no_such_referral = "No such referral.";
constexpr std::string_view no_trial = "That account has no trial to extend.";
constexpr std::string_view not_available = "That is not available right now.";
constexpr std::string_view not_configured = "That is not set up.";
constexpr std::string_view not_connected = "That is not connected.";
constexpr std::string_view not_enabled = "That is not switched on.";
constexpr std::string_view not_entitled = "This plan does not include that.";
constexpr std::string_view not_executable = "That step cannot be carried out.";
constexpr std::string_view not_failed = "That send did not fail.";
constexpr std::string_view not_for_a_seat = "A seat cannot do that; the account's owner can.";
constexpr std::string_view not_found = "No such thing on this account.";
constexpr std::string_view not_held = "Nothing is held for that.";
constexpr std::string_view not_offered = "That is not offered.";
constexpr std::string_view not_on_this_device = "That is not on this device.";
constexpr std::string_view not_paused = "That is not paused.";
constexpr std::string_view not_permitted = "That is not permitted.";
constexpr std::string_view not_previewable = "That file has no preview.";
constexpr std::string_view not_queued = "That is not waiting to go.";
constexpr std::string_view not_retained = "Those bytes are not kept.";
constexpr std::string_view not_revoked = "That key was not revoked first.";
constexpr std::string_view not_scanned = "That file has not been checked yet.";
constexpr std::string_view not_stored = "That is not stored.";
constexpr std::string_view not_suggested = "That was not suggested.";
constexpr std::string_view not_supported = "That is not supported.";
constexpr std::string_view not_the_file = "That is not the file this step found.";
constexpr std::string_view not_the_same_person = "Those two are not the same person.";
constexpr std::string_view not_this_device = "Only the device itself may do this.";
constexpr std::string_view not_this_mac = "Only that Mac may do this.";
constexpr std::string_view nothing_to_send = "There is nothing to send.";
constexpr std::string_view on_the_device = "That is kept on the device, not here.";
constexpr std::string_view outage = "The provider is down. Try again later.";
constexpr std::string_view outside_reply_window = "The channel's reply window has closed for this conversation.";
constexpr std::string_view owner_cannot_delete = "The owner cannot delete an account that still has seats.";
constexpr std::string_view owner_must_keep_totp = "The owner must keep two-step sign-in on.";
constexpr std::string_view owner_totp_required = "This needs the owner's two-step sign-in.";
constexpr std::string_view paused_allowance = "This period's allowance is used up, so sending is paused.";
constexpr std::string_view paused_identity = "That sign-in is paused, so nothing goes from it.";
constexpr std::string_view payload_too_large = "That is over the size limit.";
constexpr std::string_view phone_needs_press = "This waits for a press on the phone.";
constexpr std::string_view phone_sends_text_only = "The phone sends text only on this channel.";
constexpr std::string_view plan_not_confirmed = "The import plan has not been confirmed.";
constexpr std::string_view plan_not_found = "No such plan.";
constexpr std::string_view plan_send_limit = "This plan's sends for the period are used up.";
constexpr std::string_view preview_failed = "The preview could not be made.";
constexpr std::string_view prompt_bar_limit_reached = "The questions for this period are used up.";
constexpr std::string_view provider_refused = "The provider refused it.";
constexpr std::string_view provider_unconfigured = "That provider is not set up for this deployment.";
constexpr std::string_view rate_limited = "Too many requests. Wait and try again.";
constexpr std::string_view reason_required = "A reason is required.";
constexpr std::string_view reauth_required = "Sign in again to do this.";
constexpr std::string_view refill_in_flight = "A top-up is already on its way.";
constexpr std::string_view refused = "That was refused.";
constexpr std::string_view region_closed = "Sign-up is not open in this region.";
constexpr std::string_view region_immutable = "The region of an account cannot be changed.";
constexpr std::string_view registration_refused = "That client's registration was refused.";
constexpr std::string_view reuse_detected = "That token was already used.";
constexpr std::string_view same_contact = "Those are one contact already.";
constexpr std::string_view same_email = "That is the address already on the account.";
constexpr std::string_view sandbox_daily_limit = "The sandbox's calls for today are used up.";
constexpr std::string_view sandbox_read_only = "The sandbox reads only.";
constexpr std::string_view seat_limit_reached = "Every seat of this plan is taken.";
constexpr std::string_view served_elsewhere = "That conversation is answered somewhere else.";
constexpr std::string_view session_revoked = "That session was signed out.";
constexpr std::string_view social_needs_press = "On this channel a reply waits for your press.";
constexpr std::string_view social_reply_only = "On this channel Tarvo only replies; it does not start conversations.";
constexpr std::string_view superseded = "A newer one took its place.";
constexpr std::string_view tasks_exhausted = "This period's tasks are used up.";
constexpr std::string_view text_too_long = "The text is longer than the channel allows.";
constexpr std::string_view tier_not_purchasable = "That plan cannot be bought.";
constexpr std::string_view too_large = "That is too large.";
constexpr std::string_view too_long = "That is too long.";
constexpr std::string_view too_many_attachments = "That is more files than the channel takes at once.";
constexpr std::string_view too_many_keys = "This account has as many keys as it may.";
constexpr std::string_view too_many_sources = "This library holds as many links and files as it may.";
constexpr std::string_view totp_invalid = "That code is not right.";
constexpr std::string_view totp_required = "This needs your two-step code.";
constexpr std::string_view transcription_unavailable = "Turning speech into text is not available right now.";
constexpr std::string_view try_again = "That did not go through. Try again.";
constexpr std::string_view unauthenticated = "Sign in first.";
constexpr std::string_view unauthorized = "No valid credentials came with the request.";
constexpr std::string_view unknown_device = "This request carries no registered device.";
constexpr std::string_view unknown_event = "That event is not one this takes.";
constexpr std::string_view unreachable = "That address cannot be reached.";
constexpr std::string_view unreadable = "That file could not be read.";
constexpr std::string_view unsupported = "That is not supported.";
constexpr std::string_view unsupported_audio = "That kind of recording cannot be turned into text.";
constexpr std::string_view unsupported_schema_version = "That version of the format is not supported.";
constexpr std::string_view unsupported_type = "That kind of file is not supported.";
constexpr std::string_view unverified_email = "Confirm the e-mail address first.";
constexpr std::string_view uploads_busy = "Too many uploads are on their way. Try again in a moment.";
constexpr std::string_view window_closed = "The time to do that has passed.";
constexpr std::string_view wrong_offset = "That chunk does not start where the upload has reached.";
constexpr std::string_view wrong_recipient = "That is not addressed to this account.";
} // namespace sentence

namespace refusalsOf {
using Refusal = TarvoEndpoint::Refusal;
constexpr Refusal abandonRelayJob[] = {
    {"not_found", "No such waiting job on this account."},
    {"already_started", "A target has already taken this job. It can no longer be abandoned."},
};
constexpr Refusal aboutAddFile[] = {
    {"too_large", sentence::too_large},
    {"too_many_sources", sentence::too_many_sources},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal aboutAddLink[] = {
    {"too_many_sources", sentence::too_many_sources},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal aboutRemoveItem[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal aboutSaveRules[] = {
    {"changed", sentence::changed},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal acceptLegal[] = {
    {"bad_request", sentence::bad_request},
};
constexpr Refusal acceptSeat[] = {
    {"already_seated", sentence::already_seated},
    {"expired", sentence::expired},
    {"wrong_recipient", sentence::wrong_recipient},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal activateTotp[] = {
    {"already_enabled", sentence::already_enabled},
    {"no_enrolment", sentence::no_enrolment},
    {"totp_invalid", sentence::totp_invalid},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal addBrainTask[] = {
    {"tasks_exhausted", sentence::tasks_exhausted},
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal addCalendarEvent[] = {
    {"calendar_add_in_progress", sentence::calendar_add_in_progress},
    {"calendar_needs_reconnect", sentence::calendar_needs_reconnect},
    {"calendar_refused", sentence::calendar_refused},
    {"no_calendar", sentence::no_calendar},
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminAccount[] = {
    {"no_such_account", sentence::no_such_account},
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
};
constexpr Refusal adminAccountCharges[] = {
    {"no_such_account", sentence::no_such_account},
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
};
constexpr Refusal adminAudience[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminAudit[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminBeta[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminBilling[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminBrowsing[] = {
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
};
constexpr Refusal adminCampaigns[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminCohorts[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminControls[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminCreateCampaign[] = {
    {"owner_totp_required", sentence::owner_totp_required},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminCreateDiscountCode[] = {
    {"code_taken", sentence::code_taken},
    {"owner_totp_required", sentence::owner_totp_required},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminDecideGmailRequest[] = {
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminDecideReferral[] = {
    {"no_such_referral", sentence::no_such_referral},
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminDeleteDiscount[] = {
    {"no_such_code", sentence::no_such_code},
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
};
constexpr Refusal adminDemand[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminDeveloperApi[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminDiscounts[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminEconomics[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminElite[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminExportCsv[] = {
    {"unsupported", sentence::unsupported},
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminExtendTrial[] = {
    {"no_trial", sentence::no_trial},
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminFeedback[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminFollowUpKinds[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminForceResync[] = {
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminFunnel[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminGmailRequests[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminGrantCredit[] = {
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminInbound[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminIssueRefund[] = {
    {"amount_exceeds_charge", sentence::amount_exceeds_charge},
    {"no_such_charge", sentence::no_such_charge},
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminKillConnector[] = {
    {"not_permitted", sentence::not_permitted},
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminOverview[] = {
    {"forbidden", sentence::forbidden},
};
constexpr Refusal adminPointTikTokWebhook[] = {
    {"owner_totp_required", sentence::owner_totp_required},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminPublicStats[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminPublishStat[] = {
    {"owner_totp_required", sentence::owner_totp_required},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminQuality[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminReferrals[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminReliability[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminRenameDiscount[] = {
    {"code_taken", sentence::code_taken},
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminRevokeCredit[] = {
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
};
constexpr Refusal adminSendCampaign[] = {
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminSetAccountInternal[] = {
    {"internal_by_rule", sentence::internal_by_rule},
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminSetDiscountCodeActive[] = {
    {"no_such_code", sentence::no_such_code},
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminSetFeedbackState[] = {
    {"illegal_transition", sentence::illegal_transition},
    {"reason_required", sentence::reason_required},
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminSetFlag[] = {
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminSetInboundState[] = {
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminSetMarketingSuppression[] = {
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal adminSupport[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminTraffic[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminUsage[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminUser[] = {
    {"owner_totp_required", sentence::owner_totp_required},
    {"not_found", sentence::not_found},
};
constexpr Refusal adminUsers[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminValue[] = {
    {"owner_totp_required", sentence::owner_totp_required},
};
constexpr Refusal adminWrongMe[] = {
    {"forbidden", sentence::forbidden},
};
constexpr Refusal apiAcknowledgeDelivery[] = {
    {"already_delivered", sentence::already_delivered},
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal apiAddKnowledge[] = {
    {"knowledge_full", sentence::knowledge_full},
    {"unreadable", sentence::unreadable},
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal apiBusinessProfile[] = {
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
};
constexpr Refusal apiCreateChannel[] = {
    {"channel_not_found", sentence::channel_not_found},
    {"no_channel_slots_left", sentence::no_channel_slots_left},
    {"sandbox_read_only", sentence::sandbox_read_only},
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal apiDeleteKnowledge[] = {
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
    {"not_found", sentence::not_found},
};
constexpr Refusal apiGenerateDraft[] = {
    {"draft_limit_reached", sentence::draft_limit_reached},
    {"drafting_unavailable", sentence::drafting_unavailable},
    {"generation_id_conflict", sentence::generation_id_conflict},
    {"insufficient_funds", sentence::insufficient_funds},
    {"sandbox_daily_limit", sentence::sandbox_daily_limit},
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
    {"rate_limited", sentence::rate_limited},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal apiIngestMessage[] = {
    {"attachment_not_accepted", sentence::attachment_not_accepted},
    {"channel_not_found", sentence::channel_not_found},
    {"duplicate", sentence::duplicate},
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
    {"rate_limited", sentence::rate_limited},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal apiKnowledgePassages[] = {
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
};
constexpr Refusal apiKnowledgeUpload[] = {
    {"invalid_token", sentence::invalid_token},
    {"unauthorized", sentence::unauthorized},
    {"rate_limited", sentence::rate_limited},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal apiListChannels[] = {
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
};
constexpr Refusal apiListKnowledge[] = {
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
};
constexpr Refusal apiReadDraft[] = {
    {"draft_gone", sentence::draft_gone},
    {"draft_not_ready", sentence::draft_not_ready},
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
    {"not_found", sentence::not_found},
};
constexpr Refusal apiReadKnowledge[] = {
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
    {"not_found", sentence::not_found},
};
constexpr Refusal apiRefreshKnowledge[] = {
    {"cannot_refresh", sentence::cannot_refresh},
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal apiSaveBusinessProfile[] = {
    {"sandbox_read_only", sentence::sandbox_read_only},
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal apiUpdateKnowledge[] = {
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal apiUsage[] = {
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
};
constexpr Refusal apiWallet[] = {
    {"missing_scope", sentence::missing_scope},
    {"unauthorized", sentence::unauthorized},
};
constexpr Refusal applyImport[] = {
    {"plan_not_confirmed", sentence::plan_not_confirmed},
    {"plan_not_found", sentence::plan_not_found},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal approveBrowserStep[] = {
    {"browser_unavailable", sentence::browser_unavailable},
    {"cannot_press", sentence::cannot_press},
    {"not_executable", sentence::not_executable},
    {"refused", sentence::refused},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal approveFollowUpRun[] = {
    {"already_running", sentence::already_running},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal askBrain[] = {
    {"ai_off", sentence::ai_off},
    {"no_model", sentence::no_model},
    {"outage", sentence::outage},
    {"prompt_bar_limit_reached", sentence::prompt_bar_limit_reached},
    {"rate_limited", sentence::rate_limited},
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal attachmentContent[] = {
    {"attachment_unavailable", sentence::attachment_unavailable},
    {"bytes_not_kept", sentence::bytes_not_kept},
    {"not_scanned", sentence::not_scanned},
    {"not_found", sentence::not_found},
};
constexpr Refusal attachmentPreview[] = {
    {"attachment_unavailable", sentence::attachment_unavailable},
    {"not_previewable", sentence::not_previewable},
    {"preview_failed", sentence::preview_failed},
    {"not_found", sentence::not_found},
};
constexpr Refusal attachmentsZip[] = {
    {"bytes_not_kept", sentence::bytes_not_kept},
    {"on_the_device", sentence::on_the_device},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal authProviders[] = {
    {"rate_limited", sentence::rate_limited},
};
constexpr Refusal authorizeChannel[] = {
    {"channel_needs_reauth", sentence::channel_needs_reauth},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal bindThreadToProject[] = {
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal brainChat[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal brainChatHistory[] = {
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"not_found", sentence::not_found},
};
constexpr Refusal brainSearch[] = {
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal brainThread[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal browserLive[] = {
    {"already_live", sentence::already_live},
};
constexpr Refusal browserPaneClose[] = {
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal browserPaneCurrent[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal browserPaneDriver[] = {
    {"busy", sentence::busy},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal browserPaneHold[] = {
    {"not_held", sentence::not_held},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal browserPaneOpen[] = {
    {"already_live", sentence::already_live},
    {"browser_unavailable", sentence::browser_unavailable},
    {"not_entitled", sentence::not_entitled},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal browserPaneTicket[] = {
    {"browser_unavailable", sentence::browser_unavailable},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal browserPowers[] = {
    {"not_available", sentence::not_available},
};
constexpr Refusal bulkUpdateThreads[] = {
    {"confirm_required", sentence::confirm_required},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal channelAvailability[] = {
    {"channel_not_offered", sentence::channel_not_offered},
};
constexpr Refusal channelConnectCallback[] = {
    {"access_denied", sentence::access_denied},
    {"exchange_failed", sentence::exchange_failed},
    {"unauthorized", sentence::unauthorized},
    {"rate_limited", sentence::rate_limited},
    {"not_found", sentence::not_found},
};
constexpr Refusal claimRelayJobs[] = {
    {"unknown_device", "This request carries no registered device."},
    {"no_capabilities", "This target has advertised no channels, so no job can be routed to it."},
};
constexpr Refusal clearBrainChat[] = {
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal clearBrainMission[] = {
    {"bad_request", sentence::bad_request},
};
constexpr Refusal composeMessage[] = {
    {"attachment_missing", sentence::attachment_missing},
    {"attachment_too_large", sentence::attachment_too_large},
    {"channel_disabled", sentence::channel_disabled},
    {"channel_paused", sentence::channel_paused},
    {"no_conversation_yet", sentence::no_conversation_yet},
    {"no_device", sentence::no_device},
    {"nothing_to_send", sentence::nothing_to_send},
    {"social_reply_only", sentence::social_reply_only},
    {"text_too_long", sentence::text_too_long},
    {"rate_limited", sentence::rate_limited},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal composeTargets[] = {
    {"channel_not_connected", sentence::channel_not_connected},
    {"no_channels", sentence::no_channels},
};
constexpr Refusal confirmEmailChange[] = {
    {"expired", sentence::expired},
    {"unauthorized", sentence::unauthorized},
    {"rate_limited", sentence::rate_limited},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal connectChannel[] = {
    {"channel_not_in_plan", sentence::channel_not_in_plan},
    {"channel_not_offered", sentence::channel_not_offered},
    {"connector_not_configured", sentence::connector_not_configured},
    {"no_channel_slots_left", sentence::no_channel_slots_left},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal connectChannelOnThisDevice[] = {
    {"channel_not_in_plan", sentence::channel_not_in_plan},
    {"channel_on_another_device", sentence::channel_on_another_device},
    {"device_channel_requires_paid_tier", sentence::device_channel_requires_paid_tier},
    {"no_channel_slots_left", sentence::no_channel_slots_left},
    {"not_supported", sentence::not_supported},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal contactAvatar[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal correctFact[] = {
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal correctPersonaField[] = {
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal createBrainChat[] = {
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal createDetail[] = {
    {"bad_request", sentence::bad_request},
};
constexpr Refusal createFact[] = {
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal createRecoveryCodes[] = {
    {"totp_required", sentence::totp_required},
    {"unauthorized", sentence::unauthorized},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal decideBrainNotificationCard[] = {
    {"already_decided", sentence::already_decided},
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal decideBrainRuleCard[] = {
    {"already_decided", sentence::already_decided},
    {"superseded", sentence::superseded},
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal decideHeldAct[] = {
    {"already_decided", sentence::already_decided},
    {"asks_every_time", sentence::asks_every_time},
    {"not_held", sentence::not_held},
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal decidePairing[] = {
    {"not_found", "No pairing is waiting for that code."},
    {"expired", "That code has expired. Ask the app for a new one."},
    {"already_decided", "That code has already been answered."},
};
constexpr Refusal decideSamePerson[] = {
    {"already_decided", sentence::already_decided},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal declineFollowUpRun[] = {
    {"already_started", sentence::already_started},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal deleteAccount[] = {
    {"confirm_mismatch", sentence::confirm_mismatch},
    {"confirm_required", sentence::confirm_required},
    {"not_for_a_seat", sentence::not_for_a_seat},
    {"owner_cannot_delete", sentence::owner_cannot_delete},
    {"reauth_required", sentence::reauth_required},
};
constexpr Refusal deleteBrainChat[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal deleteBrainDay[] = {
    {"confirm_required", sentence::confirm_required},
    {"not_found", sentence::not_found},
};
constexpr Refusal deleteBrainExchange[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal deleteDetail[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal deleteDocument[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal deleteThread[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal developerAddKnowledgeLink[] = {
    {"knowledge_full", sentence::knowledge_full},
    {"unreachable", sentence::unreachable},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal developerBootstrap[] = {
    {"already_configured", sentence::already_configured},
    {"forbidden", sentence::forbidden},
    {"unauthorized", sentence::unauthorized},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal developerCreateChannel[] = {
    {"bad_request", sentence::bad_request},
};
constexpr Refusal developerCreateKey[] = {
    {"too_many_keys", sentence::too_many_keys},
    {"unverified_email", sentence::unverified_email},
    {"unauthorized", sentence::unauthorized},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal developerDeleteKey[] = {
    {"not_revoked", sentence::not_revoked},
    {"unauthorized", sentence::unauthorized},
    {"not_found", sentence::not_found},
};
constexpr Refusal developerDeleteKnowledge[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal developerDeleteWebhook[] = {
    {"not_configured", sentence::not_configured},
};
constexpr Refusal developerKnowledgeUploadUrl[] = {
    {"bad_request", sentence::bad_request},
};
constexpr Refusal developerRefreshKnowledge[] = {
    {"cannot_refresh", sentence::cannot_refresh},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal developerRetryWebhookEvent[] = {
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal developerRevokeKey[] = {
    {"unauthorized", sentence::unauthorized},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal developerRotateWebhookSecret[] = {
    {"not_configured", sentence::not_configured},
    {"unauthorized", sentence::unauthorized},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal developerSaveAutoRefill[] = {
    {"below_threshold", sentence::below_threshold},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal developerSaveBusinessProfile[] = {
    {"bad_request", sentence::bad_request},
};
constexpr Refusal developerSaveWebhook[] = {
    {"already_configured", sentence::already_configured},
    {"unauthorized", sentence::unauthorized},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal developerStartRefill[] = {
    {"below_threshold", sentence::below_threshold},
    {"no_payment_provider", sentence::no_payment_provider},
    {"refill_in_flight", sentence::refill_in_flight},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal developerTestWebhook[] = {
    {"not_configured", sentence::not_configured},
    {"unreachable", sentence::unreachable},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal developerUpdateChannel[] = {
    {"channel_not_found", sentence::channel_not_found},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal developerUpdateKnowledge[] = {
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal dictate[] = {
    {"audio_too_long", sentence::audio_too_long},
    {"not_supported", sentence::not_supported},
    {"transcription_unavailable", sentence::transcription_unavailable},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal disableTotp[] = {
    {"not_enabled", sentence::not_enabled},
    {"owner_must_keep_totp", sentence::owner_must_keep_totp},
    {"totp_invalid", sentence::totp_invalid},
    {"totp_required", sentence::totp_required},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal disconnectChannel[] = {
    {"already_disconnected", sentence::already_disconnected},
    {"not_found", sentence::not_found},
};
constexpr Refusal dismiss[] = {
    {"card_changed", sentence::card_changed},
    {"card_sent", sentence::card_sent},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal dismissMissionProposal[] = {
    {"not_suggested", sentence::not_suggested},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal documentReading[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal documentUploadStatus[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal documentUploadTicket[] = {
    {"unsupported_type", sentence::unsupported_type},
    {"uploads_busy", sentence::uploads_busy},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal draftReply[] = {
    {"ai_off", sentence::ai_off},
    {"draft_limit_reached", sentence::draft_limit_reached},
    {"drafting_unavailable", sentence::drafting_unavailable},
    {"generation_in_progress", sentence::generation_in_progress},
    {"no_reply_needed", sentence::no_reply_needed},
    {"served_elsewhere", sentence::served_elsewhere},
    {"rate_limited", sentence::rate_limited},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal editFollowUpRun[] = {
    {"already_started", sentence::already_started},
    {"superseded", sentence::superseded},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal emitEvents[] = {
    {"content_in_event", sentence::content_in_event},
    {"unknown_event", sentence::unknown_event},
    {"unsupported_schema_version", sentence::unsupported_schema_version},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal eraseContact[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal extractPersona[] = {
    {"corpus_too_small", sentence::corpus_too_small},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal followUpRuns[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal followUpSource[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal forgetBrowserSession[] = {
    {"not_on_this_device", sentence::not_on_this_device},
    {"not_found", sentence::not_found},
};
constexpr Refusal forgetFact[] = {
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal forgetFromStatement[] = {
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal getCard[] = {
    {"no_card", sentence::no_card},
    {"not_found", sentence::not_found},
};
constexpr Refusal getContact[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal getFollowUp[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal getFollowUpRun[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal getMacPermissions[] = {
    {"not_found", "No such Mac on this account."},
};
constexpr Refusal getMacRun[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal getReferralLink[] = {
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal getVoiceCorpus[] = {
    {"not_stored", sentence::not_stored},
};
constexpr Refusal gmailAccess[] = {
    {"not_connected", sentence::not_connected},
};
constexpr Refusal hideMessage[] = {
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal ingest[] = {
    {"channel_disabled", "Nothing is ingested from a channel the user has not enabled (§9)."},
    {"channel_on_another_device", "This channel is connected on a phone, and only that phone may post into it."},
    {"channel_served_by_robot", "This channel is served by the Tarvo browser, and only that browser may post into it."},
    {"duplicate", "This external message id was already ingested. Idempotent, returns the existing id."},
};
constexpr Refusal ingestMessageEvents[] = {
    {"not_found", "No such device channel on this account."},
};
constexpr Refusal inviteSeat[] = {
    {"already_seated", sentence::already_seated},
    {"needs_real_email", sentence::needs_real_email},
    {"seat_limit_reached", sentence::seat_limit_reached},
    {"unverified_email", sentence::unverified_email},
    {"rate_limited", sentence::rate_limited},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal listThreadMessages[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal liveTicket[] = {
    {"not_available", sentence::not_available},
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal lookupThread[] = {
    {"no_criteria", sentence::no_criteria},
    {"not_found", sentence::not_found},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal lovableConnect[] = {
    {"connector_not_configured", sentence::connector_not_configured},
    {"bad_request", sentence::bad_request},
};
constexpr Refusal lovableConnectCallback[] = {
    {"access_denied", sentence::access_denied},
    {"unauthorized", sentence::unauthorized},
    {"rate_limited", sentence::rate_limited},
    {"not_found", sentence::not_found},
};
constexpr Refusal lovableDisconnect[] = {
    {"already_disconnected", sentence::already_disconnected},
    {"not_found", sentence::not_found},
};
constexpr Refusal lovableProjectRuns[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal lovableProjects[] = {
    {"not_connected", sentence::not_connected},
    {"not_found", sentence::not_found},
};
constexpr Refusal lovableWorkspace[] = {
    {"not_connected", sentence::not_connected},
};
constexpr Refusal macOperatorNext[] = {
    {"not_this_mac", "Only the Mac itself, signed in as itself, may ask for its steps."},
};
constexpr Refusal macOperatorRunStopped[] = {
    {"not_this_mac", "Only the Mac this run is on may say it stopped."},
    {"not_found", "No such run on this Mac."},
};
constexpr Refusal macOperatorStepFile[] = {
    {"not_this_mac", "Only the Mac that took this step may bring its file back."},
    {"not_found", "No such step bringing a file back on this Mac, or its file is not one this run found."},
    {"wrong_offset", "This chunk does not start where the file has reached."},
    {"bad_request", "A chunk that does not match the file it belongs to."},
    {"payload_too_large", "The file is bigger than your plan lets Tarvo read."},
};
constexpr Refusal macOperatorStepFileState[] = {
    {"not_this_mac", "Only the Mac that took this step may bring its file back."},
    {"not_found", "No such step bringing a file back on this Mac."},
};
constexpr Refusal macOperatorStepResult[] = {
    {"not_this_mac", "Only the Mac that took this step may report it."},
    {"not_found", "No such step on this Mac."},
    {"bad_request", "A result that does not match the step it reports."},
};
constexpr Refusal macStepScreen[] = {
    {"files_not_shown", sentence::files_not_shown},
    {"not_found", sentence::not_found},
};
constexpr Refusal macStepThumbnail[] = {
    {"not_the_file", sentence::not_the_file},
    {"not_found", sentence::not_found},
};
constexpr Refusal magicLink[] = {
    {"account_closed", sentence::account_closed},
    {"region_closed", sentence::region_closed},
    {"rate_limited", sentence::rate_limited},
};
constexpr Refusal markSendFailureSurfaced[] = {
    {"not_failed", sentence::not_failed},
    {"not_found", sentence::not_found},
};
constexpr Refusal mcp[] = {
    {"unauthorized", "No token, or one that expired or was revoked. Carries WWW-Authenticate."},
    {"rate_limited", "Too many calls on this token in a minute."},
};
constexpr Refusal mcpAuthorize[] = {
    {"access_denied", sentence::access_denied},
    {"invalid_request", sentence::invalid_request},
    {"unauthorized", sentence::unauthorized},
    {"rate_limited", sentence::rate_limited},
};
constexpr Refusal mcpConnectionRevoke[] = {
    {"unauthorized", sentence::unauthorized},
    {"not_found", sentence::not_found},
};
constexpr Refusal mcpConsent[] = {
    {"unauthorized", sentence::unauthorized},
    {"not_found", sentence::not_found},
};
constexpr Refusal mcpConsentDecide[] = {
    {"consent_withheld", sentence::consent_withheld},
    {"refused", sentence::refused},
    {"unauthorized", sentence::unauthorized},
    {"not_found", sentence::not_found},
};
constexpr Refusal mcpRegister[] = {
    {"invalid_client_metadata", sentence::invalid_client_metadata},
    {"registration_refused", sentence::registration_refused},
    {"unauthorized", sentence::unauthorized},
    {"rate_limited", sentence::rate_limited},
};
constexpr Refusal mcpRevoke[] = {
    {"invalid_request", sentence::invalid_request},
    {"unauthorized", sentence::unauthorized},
    {"rate_limited", sentence::rate_limited},
    {"not_found", sentence::not_found},
};
constexpr Refusal mcpToken[] = {
    {"invalid_grant", sentence::invalid_grant},
    {"invalid_request", sentence::invalid_request},
    {"unauthorized", sentence::unauthorized},
    {"rate_limited", sentence::rate_limited},
    {"not_found", sentence::not_found},
};
constexpr Refusal mergeContacts[] = {
    {"not_the_same_person", sentence::not_the_same_person},
    {"same_contact", sentence::same_contact},
    {"not_found", sentence::not_found},
};
constexpr Refusal messageSearch[] = {
    {"bad_request", sentence::bad_request},
};
constexpr Refusal missionNoteDone[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal newBrainTopic[] = {
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"not_found", sentence::not_found},
};
constexpr Refusal oauthExchange[] = {
    {"account_closed", sentence::account_closed},
    {"exchange_failed", sentence::exchange_failed},
    {"unauthorized", sentence::unauthorized},
    {"rate_limited", sentence::rate_limited},
    {"not_found", sentence::not_found},
};
constexpr Refusal oauthSignIn[] = {
    {"provider_unconfigured", sentence::provider_unconfigured},
    {"rate_limited", sentence::rate_limited},
    {"not_found", sentence::not_found},
};
constexpr Refusal openBillingPortal[] = {
    {"billing_not_configured", sentence::billing_not_configured},
    {"not_found", sentence::not_found},
};
constexpr Refusal panelSession[] = {
    {"unknown_device", "This request carries no registered device. Only a paired companion may ask."},
    {"not_this_device", "Only this device, signed in as itself, may open its own panel."},
};
constexpr Refusal pendingPairing[] = {
    {"not_found", "No pairing is waiting for that code."},
    {"expired", "That code has expired. Ask the app for a new one."},
    {"already_decided", "That code has already been answered."},
};
constexpr Refusal personaExtractStatus[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal planImport[] = {
    {"busy", sentence::busy},
    {"malformed_archive", sentence::malformed_archive},
    {"unsupported_schema_version", sentence::unsupported_schema_version},
    {"not_found", sentence::not_found},
};
constexpr Refusal pollPairing[] = {
    {"rate_limited", "Polling too fast. Respect the interval the start call returned."},
};
constexpr Refusal pressMacStep[] = {
    {"cannot_press", sentence::cannot_press},
    {"files_changed", sentence::files_changed},
    {"not_this_mac", sentence::not_this_mac},
    {"not_found", sentence::not_found},
};
constexpr Refusal previewCalendarEvent[] = {
    {"calendar_needs_reconnect", sentence::calendar_needs_reconnect},
    {"no_calendar", sentence::no_calendar},
    {"preview_failed", sentence::preview_failed},
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"not_found", sentence::not_found},
};
constexpr Refusal proposeFollowUpRun[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal proposeFollowUpTime[] = {
    {"no_slots", sentence::no_slots},
    {"not_found", sentence::not_found},
};
constexpr Refusal proposeLovableBuild[] = {
    {"already_running", sentence::already_running},
    {"not_entitled", sentence::not_entitled},
    {"provider_refused", sentence::provider_refused},
    {"not_found", sentence::not_found},
};
constexpr Refusal publicStats[] = {
    {"rate_limited", sentence::rate_limited},
};
constexpr Refusal putBrainNotifications[] = {
    {"bad_request", sentence::bad_request},
};
constexpr Refusal putPersona[] = {
    {"bad_request", sentence::bad_request},
};
constexpr Refusal putRules[] = {
    {"changed", sentence::changed},
    {"too_long", sentence::too_long},
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
};
constexpr Refusal putSettings[] = {
    {"region_immutable", sentence::region_immutable},
};
constexpr Refusal reactToMessage[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal readDocumentWhole[] = {
    {"cannot_read_whole", sentence::cannot_read_whole},
    {"not_found", sentence::not_found},
};
constexpr Refusal recall[] = {
    {"no_card", sentence::no_card},
    {"window_closed", sentence::window_closed},
    {"not_found", sentence::not_found},
};
constexpr Refusal recordSiteEvents[] = {
    {"content_in_event", sentence::content_in_event},
    {"unknown_event", sentence::unknown_event},
    {"rate_limited", sentence::rate_limited},
};
constexpr Refusal refreshSession[] = {
    {"invalid_token", "The refresh token is unknown, expired, or already used."},
    {"reuse_detected", "This refresh token was already exchanged. Every session for the account was revoked."},
};
constexpr Refusal regenerateDraft[] = {
    {"ai_off", sentence::ai_off},
    {"draft_gone", sentence::draft_gone},
    {"generation_in_progress", sentence::generation_in_progress},
    {"not_found", sentence::not_found},
};
constexpr Refusal registerDevice[] = {
    {"client_too_old", "This build is below the minimum supported for its platform."},
};
constexpr Refusal registerFeatureInterest[] = {
    {"not_offered", sentence::not_offered},
};
constexpr Refusal relationshipMetrics[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal relayAttachmentBytes[] = {
    {"unknown_device", "This request carries no registered device."},
    {"not_found", "No such file on a job this target currently holds. A job it never claimed, a job it has already reported, and a file belonging to a different send all answer the same way."},
};
constexpr Refusal relayHeartbeat[] = {
    {"unknown_device", "This request carries no registered device. Register before advertising."},
};
constexpr Refusal rememberFact[] = {
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"not_found", sentence::not_found},
};
constexpr Refusal removeCardFile[] = {
    {"card_sent", sentence::card_sent},
    {"not_found", sentence::not_found},
};
constexpr Refusal removeIdentity[] = {
    {"identity_paused", sentence::identity_paused},
    {"last_identity", sentence::last_identity},
    {"not_found", sentence::not_found},
};
constexpr Refusal renameContact[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal reportBrowserCommand[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal reportRelayJob[] = {
    {"not_found", "No such job on this account, or it was not claimed by this target."},
    {"reason_required", "A failure must carry a reason. It is shown to the user on the card."},
};
constexpr Refusal requestEmailChange[] = {
    {"email_in_use", sentence::email_in_use},
    {"reauth_required", sentence::reauth_required},
    {"same_email", sentence::same_email},
    {"rate_limited", sentence::rate_limited},
};
constexpr Refusal requestGmailAccess[] = {
    {"bad_request", sentence::bad_request},
};
constexpr Refusal resetChannelPersona[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal resolveFollowUp[] = {
    {"illegal_transition", sentence::illegal_transition},
    {"not_found", sentence::not_found},
};
constexpr Refusal resumeDrafting[] = {
    {"draft_not_ready", sentence::draft_not_ready},
    {"not_found", sentence::not_found},
};
constexpr Refusal resumeFollowUpRun[] = {
    {"already_running", sentence::already_running},
    {"not_paused", sentence::not_paused},
    {"not_found", sentence::not_found},
};
constexpr Refusal retrySend[] = {
    {"already_sent", sentence::already_sent},
    {"channel_needs_reauth", sentence::channel_needs_reauth},
    {"no_relay_target", sentence::no_relay_target},
    {"not_failed", sentence::not_failed},
    {"not_queued", sentence::not_queued},
    {"not_found", sentence::not_found},
};
constexpr Refusal revokeBrainGrant[] = {
    {"asks_every_time", sentence::asks_every_time},
    {"live_grants_changed", sentence::live_grants_changed},
    {"no_such_grant", sentence::no_such_grant},
    {"not_found", sentence::not_found},
};
constexpr Refusal revokeDevice[] = {
    {"not_this_device", sentence::not_this_device},
    {"not_found", sentence::not_found},
};
constexpr Refusal revokeOtherSessions[] = {
    {"reauth_required", sentence::reauth_required},
};
constexpr Refusal revokeSeat[] = {
    {"forbidden", sentence::forbidden},
    {"not_found", sentence::not_found},
};
constexpr Refusal revokeSession[] = {
    {"unauthorized", sentence::unauthorized},
    {"not_found", sentence::not_found},
};
constexpr Refusal saveBrainTurn[] = {
    {"try_again", sentence::try_again},
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"not_found", sentence::not_found},
};
constexpr Refusal searchBrainThread[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal seenThread[] = {
    {"filed_away", sentence::filed_away},
    {"not_found", sentence::not_found},
};
constexpr Refusal send[] = {
    {"already_sent", sentence::already_sent},
    {"attachment_missing", sentence::attachment_missing},
    {"attachment_not_accepted", sentence::attachment_not_accepted},
    {"attachment_too_large", sentence::attachment_too_large},
    {"attachment_unavailable", sentence::attachment_unavailable},
    {"caption_too_long", sentence::caption_too_long},
    {"channel_needs_reauth", sentence::channel_needs_reauth},
    {"channel_not_connected", sentence::channel_not_connected},
    {"channel_paused", sentence::channel_paused},
    {"draft_gone", sentence::draft_gone},
    {"file_needs_words", sentence::file_needs_words},
    {"no_relay_target", sentence::no_relay_target},
    {"nothing_to_send", sentence::nothing_to_send},
    {"outside_reply_window", sentence::outside_reply_window},
    {"paused_allowance", sentence::paused_allowance},
    {"paused_identity", sentence::paused_identity},
    {"phone_needs_press", sentence::phone_needs_press},
    {"phone_sends_text_only", sentence::phone_sends_text_only},
    {"plan_send_limit", sentence::plan_send_limit},
    {"served_elsewhere", sentence::served_elsewhere},
    {"social_needs_press", sentence::social_needs_press},
    {"social_reply_only", sentence::social_reply_only},
    {"text_too_long", sentence::text_too_long},
    {"too_many_attachments", sentence::too_many_attachments},
    {"window_closed", sentence::window_closed},
    {"rate_limited", sentence::rate_limited},
    {"not_found", sentence::not_found},
};
constexpr Refusal setAiConsent[] = {
    {"consent_withheld", sentence::consent_withheld},
};
constexpr Refusal setBrainMission[] = {
    {"too_long", sentence::too_long},
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
};
constexpr Refusal setBrainTaskStatus[] = {
    {"illegal_transition", sentence::illegal_transition},
    {"not_found", sentence::not_found},
};
constexpr Refusal setContactAvatar[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal setMacPermissionMode[] = {
    {"not_found", "No such Mac on this account."},
    {"mode_needs_your_screen", sentence::mode_needs_your_screen},
};
constexpr Refusal setMissionTicks[] = {
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
};
constexpr Refusal setOnboardingStep[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal setValueRate[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal snooze[] = {
    {"card_changed", sentence::card_changed},
    {"not_found", sentence::not_found},
};
constexpr Refusal splitContact[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal startCheckout[] = {
    {"billing_not_configured", sentence::billing_not_configured},
    {"no_such_coupon", sentence::no_such_coupon},
    {"not_for_a_seat", sentence::not_for_a_seat},
    {"plan_not_found", sentence::plan_not_found},
    {"tier_not_purchasable", sentence::tier_not_purchasable},
    {"not_found", sentence::not_found},
};
constexpr Refusal startExport[] = {
    {"bad_request", sentence::bad_request},
};
constexpr Refusal startExtraUsageCheckout[] = {
    {"billing_not_configured", sentence::billing_not_configured},
    {"extra_usage_unavailable", sentence::extra_usage_unavailable},
    {"not_found", sentence::not_found},
};
constexpr Refusal startPairing[] = {
    {"rate_limited", "Too many pairings started from this address. Wait and try again."},
};
constexpr Refusal startTotpEnrolment[] = {
    {"bad_request", sentence::bad_request},
};
constexpr Refusal startVoiceConnect[] = {
    {"not_entitled", sentence::not_entitled},
    {"provider_unconfigured", sentence::provider_unconfigured},
};
constexpr Refusal steer[] = {
    {"already_sent", sentence::already_sent},
    {"card_changed", sentence::card_changed},
    {"not_found", sentence::not_found},
};
constexpr Refusal stopBrowserCommand[] = {
    {"not_permitted", sentence::not_permitted},
    {"not_found", sentence::not_found},
};
constexpr Refusal stopFollowUpRun[] = {
    {"reason_required", sentence::reason_required},
    {"not_found", sentence::not_found},
};
constexpr Refusal stopMacRun[] = {
    {"not_this_mac", sentence::not_this_mac},
    {"not_found", sentence::not_found},
};
constexpr Refusal streamBrainChat[] = {
    {"busy", sentence::busy},
    {"prompt_bar_limit_reached", sentence::prompt_bar_limit_reached},
    {"try_again", sentence::try_again},
    {"rate_limited", sentence::rate_limited},
    {"brain_requires_paid_plan", sentence::brain_requires_paid_plan},
    {"not_found", sentence::not_found},
};
constexpr Refusal stripeWebhook[] = {
    {"unauthorized", sentence::unauthorized},
    {"rate_limited", sentence::rate_limited},
};
constexpr Refusal submitEnquiry[] = {
    {"rate_limited", sentence::rate_limited},
};
constexpr Refusal submitFeedback[] = {
    {"too_long", sentence::too_long},
    {"rate_limited", sentence::rate_limited},
};
constexpr Refusal subscribeWebPush[] = {
    {"bad_request", sentence::bad_request},
};
constexpr Refusal testAgentSummons[] = {
    {"not_enabled", sentence::not_enabled},
    {"not_found", sentence::not_found},
};
constexpr Refusal threadBrain[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal threadShared[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal transcribe[] = {
    {"audio_too_long", sentence::audio_too_long},
    {"outage", sentence::outage},
    {"provider_refused", sentence::provider_refused},
    {"transcription_unavailable", sentence::transcription_unavailable},
    {"unsupported_audio", sentence::unsupported_audio},
    {"rate_limited", sentence::rate_limited},
};
constexpr Refusal unbindThreadFromProject[] = {
    {"no_project", sentence::no_project},
    {"not_found", sentence::not_found},
};
constexpr Refusal undoPlacedReply[] = {
    {"window_closed", sentence::window_closed},
    {"not_found", sentence::not_found},
};
constexpr Refusal unsubscribe[] = {
    {"invalid_token", sentence::invalid_token},
    {"unauthorized", sentence::unauthorized},
    {"rate_limited", sentence::rate_limited},
};
constexpr Refusal unsubscribeWebPush[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal updateAgentSettings[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal updateBrainChat[] = {
    {"conflict", sentence::conflict},
    {"not_found", sentence::not_found},
};
constexpr Refusal updateChannel[] = {
    {"channel_not_connected", sentence::channel_not_connected},
    {"not_found", sentence::not_found},
};
constexpr Refusal updateFollowUp[] = {
    {"changed", sentence::changed},
    {"not_found", sentence::not_found},
};
constexpr Refusal updateProfile[] = {
    {"handle_taken", sentence::handle_taken},
};
constexpr Refusal updateThread[] = {
    {"conflict", sentence::conflict},
    {"not_found", sentence::not_found},
};
constexpr Refusal uploadDocument[] = {
    {"payload_too_large", sentence::payload_too_large},
    {"too_large", sentence::too_large},
    {"unreadable", sentence::unreadable},
    {"unsupported_type", sentence::unsupported_type},
};
constexpr Refusal uploadDocumentDirect[] = {
    {"already_uploaded", sentence::already_uploaded},
    {"payload_too_large", sentence::payload_too_large},
    {"wrong_offset", sentence::wrong_offset},
    {"not_found", sentence::not_found},
};
constexpr Refusal uploadInboundAttachment[] = {
    {"not_found", "No such attachment on this account."},
    {"too_large", "That file is over the limit for an inbound attachment."},
    {"not_retained", "The media policy does not retain bytes for that class."},
};
constexpr Refusal uploadOutgoingFile[] = {
    {"too_large", "Over the smallest of the channel’s limit, the transport ceiling and the plan."},
    {"channel_cannot_attach", "This channel carries no file from here at all — Teams, Calendar, WhatsApp, LinkedIn, Signal, Instagram, X, Reddit, Instagram Business, Messenger (Page), TikTok Business, Messenger and TikTok. The message says what to do instead."},
    {"not_found", "No such conversation, or it belongs to another account."},
};
constexpr Refusal verifyMagicLink[] = {
    {"account_closed", sentence::account_closed},
    {"expired", sentence::expired},
    {"unauthorized", sentence::unauthorized},
    {"rate_limited", sentence::rate_limited},
    {"not_found", sentence::not_found},
};
constexpr Refusal voiceConnectCallback[] = {
    {"access_denied", sentence::access_denied},
    {"unauthorized", sentence::unauthorized},
    {"rate_limited", sentence::rate_limited},
    {"not_found", sentence::not_found},
};
constexpr Refusal voiceSamples[] = {
    {"not_found", sentence::not_found},
};
constexpr Refusal webHandoff[] = {
    {"session_revoked", sentence::session_revoked},
    {"unauthenticated", sentence::unauthenticated},
    {"unauthorized", sentence::unauthorized},
    {"not_found", sentence::not_found},
};
} // namespace refusalsOf

} // namespace

std::string_view TarvoEndpoint::rawValue() const {
    switch (value_) {
    case abandonRelayJob: return "abandonRelayJob";
    case aboutAddFile: return "aboutAddFile";
    case aboutAddLink: return "aboutAddLink";
    case aboutLibrary: return "aboutLibrary";
    case aboutRemoveItem: return "aboutRemoveItem";
    case aboutSaveRules: return "aboutSaveRules";
    case acceptLegal: return "acceptLegal";
    case acceptSeat: return "acceptSeat";
    case activateTotp: return "activateTotp";
    case addBrainTask: return "addBrainTask";
    case addCalendarEvent: return "addCalendarEvent";
    case adminAccount: return "adminAccount";
    case adminAccountCharges: return "adminAccountCharges";
    case adminAudience: return "adminAudience";
    case adminAudit: return "adminAudit";
    case adminBeta: return "adminBeta";
    case adminBilling: return "adminBilling";
    case adminBrowsing: return "adminBrowsing";
    case adminCampaigns: return "adminCampaigns";
    case adminCohorts: return "adminCohorts";
    case adminControls: return "adminControls";
    case adminCreateCampaign: return "adminCreateCampaign";
    case adminCreateDiscountCode: return "adminCreateDiscountCode";
    case adminDecideGmailRequest: return "adminDecideGmailRequest";
    case adminDecideReferral: return "adminDecideReferral";
    case adminDeleteDiscount: return "adminDeleteDiscount";
    case adminDemand: return "adminDemand";
    case adminDeveloperApi: return "adminDeveloperApi";
    case adminDiscounts: return "adminDiscounts";
    case adminEconomics: return "adminEconomics";
    case adminElite: return "adminElite";
    case adminExportCsv: return "adminExportCsv";
    case adminExtendTrial: return "adminExtendTrial";
    case adminFeedback: return "adminFeedback";
    case adminFollowUpKinds: return "adminFollowUpKinds";
    case adminForceResync: return "adminForceResync";
    case adminFunnel: return "adminFunnel";
    case adminGmailRequests: return "adminGmailRequests";
    case adminGrantCredit: return "adminGrantCredit";
    case adminInbound: return "adminInbound";
    case adminIssueRefund: return "adminIssueRefund";
    case adminKillConnector: return "adminKillConnector";
    case adminOverview: return "adminOverview";
    case adminPointTikTokWebhook: return "adminPointTikTokWebhook";
    case adminPublicStats: return "adminPublicStats";
    case adminPublishStat: return "adminPublishStat";
    case adminPulse: return "adminPulse";
    case adminQuality: return "adminQuality";
    case adminReferrals: return "adminReferrals";
    case adminReliability: return "adminReliability";
    case adminRenameDiscount: return "adminRenameDiscount";
    case adminRevokeCredit: return "adminRevokeCredit";
    case adminSendCampaign: return "adminSendCampaign";
    case adminSetAccountInternal: return "adminSetAccountInternal";
    case adminSetDiscountCodeActive: return "adminSetDiscountCodeActive";
    case adminSetFeedbackState: return "adminSetFeedbackState";
    case adminSetFlag: return "adminSetFlag";
    case adminSetInboundState: return "adminSetInboundState";
    case adminSetMarketingSuppression: return "adminSetMarketingSuppression";
    case adminSupport: return "adminSupport";
    case adminTraffic: return "adminTraffic";
    case adminUsage: return "adminUsage";
    case adminUser: return "adminUser";
    case adminUsers: return "adminUsers";
    case adminValue: return "adminValue";
    case adminWrongMe: return "adminWrongMe";
    case aiConsent: return "aiConsent";
    case apiAcknowledgeDelivery: return "apiAcknowledgeDelivery";
    case apiAddKnowledge: return "apiAddKnowledge";
    case apiBusinessProfile: return "apiBusinessProfile";
    case apiCreateChannel: return "apiCreateChannel";
    case apiDeleteKnowledge: return "apiDeleteKnowledge";
    case apiGenerateDraft: return "apiGenerateDraft";
    case apiIngestMessage: return "apiIngestMessage";
    case apiKnowledgePassages: return "apiKnowledgePassages";
    case apiKnowledgeUpload: return "apiKnowledgeUpload";
    case apiListChannels: return "apiListChannels";
    case apiListKnowledge: return "apiListKnowledge";
    case apiReadDraft: return "apiReadDraft";
    case apiReadKnowledge: return "apiReadKnowledge";
    case apiRefreshKnowledge: return "apiRefreshKnowledge";
    case apiSaveBusinessProfile: return "apiSaveBusinessProfile";
    case apiUpdateKnowledge: return "apiUpdateKnowledge";
    case apiUsage: return "apiUsage";
    case apiWallet: return "apiWallet";
    case applyImport: return "applyImport";
    case approveBrowserStep: return "approveBrowserStep";
    case approveFollowUpRun: return "approveFollowUpRun";
    case askBrain: return "askBrain";
    case attachmentContent: return "attachmentContent";
    case attachmentPreview: return "attachmentPreview";
    case attachmentsZip: return "attachmentsZip";
    case authProviders: return "authProviders";
    case authorizeChannel: return "authorizeChannel";
    case billingState: return "billingState";
    case bindThreadToProject: return "bindThreadToProject";
    case brainActivity: return "brainActivity";
    case brainChat: return "brainChat";
    case brainChatHistory: return "brainChatHistory";
    case brainMission: return "brainMission";
    case brainNotifications: return "brainNotifications";
    case brainNow: return "brainNow";
    case brainRuleCards: return "brainRuleCards";
    case brainSearch: return "brainSearch";
    case brainTasks: return "brainTasks";
    case brainThread: return "brainThread";
    case browserLive: return "browserLive";
    case browserPaneClose: return "browserPaneClose";
    case browserPaneCurrent: return "browserPaneCurrent";
    case browserPaneDriver: return "browserPaneDriver";
    case browserPaneHold: return "browserPaneHold";
    case browserPaneOpen: return "browserPaneOpen";
    case browserPaneTicket: return "browserPaneTicket";
    case browserPowers: return "browserPowers";
    case browserSessions: return "browserSessions";
    case bulkUpdateThreads: return "bulkUpdateThreads";
    case capturePolicy: return "capturePolicy";
    case channelAvailability: return "channelAvailability";
    case channelConnectCallback: return "channelConnectCallback";
    case claimRelayJobs: return "claimRelayJobs";
    case clearBrainChat: return "clearBrainChat";
    case clearBrainMission: return "clearBrainMission";
    case composeMessage: return "composeMessage";
    case composeTargets: return "composeTargets";
    case confirmEmailChange: return "confirmEmailChange";
    case connectChannel: return "connectChannel";
    case connectChannelOnThisDevice: return "connectChannelOnThisDevice";
    case contactAvatar: return "contactAvatar";
    case correctFact: return "correctFact";
    case correctPersonaField: return "correctPersonaField";
    case createBrainChat: return "createBrainChat";
    case createDetail: return "createDetail";
    case createFact: return "createFact";
    case createRecoveryCodes: return "createRecoveryCodes";
    case decideBrainNotificationCard: return "decideBrainNotificationCard";
    case decideBrainRuleCard: return "decideBrainRuleCard";
    case decideHeldAct: return "decideHeldAct";
    case decidePairing: return "decidePairing";
    case decideSamePerson: return "decideSamePerson";
    case declineFollowUpRun: return "declineFollowUpRun";
    case deleteAccount: return "deleteAccount";
    case deleteBrainChat: return "deleteBrainChat";
    case deleteBrainDay: return "deleteBrainDay";
    case deleteBrainExchange: return "deleteBrainExchange";
    case deleteDetail: return "deleteDetail";
    case deleteDocument: return "deleteDocument";
    case deleteThread: return "deleteThread";
    case developerAddKnowledgeLink: return "developerAddKnowledgeLink";
    case developerBootstrap: return "developerBootstrap";
    case developerCreateChannel: return "developerCreateChannel";
    case developerCreateKey: return "developerCreateKey";
    case developerDeleteKey: return "developerDeleteKey";
    case developerDeleteKnowledge: return "developerDeleteKnowledge";
    case developerDeleteWebhook: return "developerDeleteWebhook";
    case developerKnowledge: return "developerKnowledge";
    case developerKnowledgeUploadUrl: return "developerKnowledgeUploadUrl";
    case developerListChannels: return "developerListChannels";
    case developerListKeys: return "developerListKeys";
    case developerOverview: return "developerOverview";
    case developerRefreshKnowledge: return "developerRefreshKnowledge";
    case developerRetryWebhookEvent: return "developerRetryWebhookEvent";
    case developerRevokeKey: return "developerRevokeKey";
    case developerRotateWebhookSecret: return "developerRotateWebhookSecret";
    case developerSaveAutoRefill: return "developerSaveAutoRefill";
    case developerSaveBusinessProfile: return "developerSaveBusinessProfile";
    case developerSaveWebhook: return "developerSaveWebhook";
    case developerStartRefill: return "developerStartRefill";
    case developerTestWebhook: return "developerTestWebhook";
    case developerUpdateChannel: return "developerUpdateChannel";
    case developerUpdateKnowledge: return "developerUpdateKnowledge";
    case developerWallet: return "developerWallet";
    case developerWebhook: return "developerWebhook";
    case dictate: return "dictate";
    case disableTotp: return "disableTotp";
    case disconnectChannel: return "disconnectChannel";
    case dismiss: return "dismiss";
    case dismissMissionProposal: return "dismissMissionProposal";
    case documentReading: return "documentReading";
    case documentUploadStatus: return "documentUploadStatus";
    case documentUploadTicket: return "documentUploadTicket";
    case draftReply: return "draftReply";
    case editFollowUpRun: return "editFollowUpRun";
    case emitEvents: return "emitEvents";
    case eraseContact: return "eraseContact";
    case extraUsage: return "extraUsage";
    case extractPersona: return "extractPersona";
    case followUpRuns: return "followUpRuns";
    case followUpSource: return "followUpSource";
    case forgetBrowserSession: return "forgetBrowserSession";
    case forgetFact: return "forgetFact";
    case forgetFromStatement: return "forgetFromStatement";
    case getAgentSettings: return "getAgentSettings";
    case getCard: return "getCard";
    case getContact: return "getContact";
    case getFollowUp: return "getFollowUp";
    case getFollowUpRun: return "getFollowUpRun";
    case getMacPermissions: return "getMacPermissions";
    case getMacRun: return "getMacRun";
    case getPanel: return "getPanel";
    case getPersona: return "getPersona";
    case getPersonaProfile: return "getPersonaProfile";
    case getReferral: return "getReferral";
    case getReferralLink: return "getReferralLink";
    case getRules: return "getRules";
    case getSettings: return "getSettings";
    case getUsage: return "getUsage";
    case getVoiceCorpus: return "getVoiceCorpus";
    case gmailAccess: return "gmailAccess";
    case hideMessage: return "hideMessage";
    case ingest: return "ingest";
    case ingestMessageEvents: return "ingestMessageEvents";
    case inviteSeat: return "inviteSeat";
    case legalStatus: return "legalStatus";
    case listAllFacts: return "listAllFacts";
    case listAllPersonas: return "listAllPersonas";
    case listBrainChats: return "listBrainChats";
    case listChannels: return "listChannels";
    case listContacts: return "listContacts";
    case listDetails: return "listDetails";
    case listDevices: return "listDevices";
    case listDocuments: return "listDocuments";
    case listFacts: return "listFacts";
    case listFollowUps: return "listFollowUps";
    case listIdentities: return "listIdentities";
    case listMacRuns: return "listMacRuns";
    case listOutbox: return "listOutbox";
    case listSamePerson: return "listSamePerson";
    case listSeats: return "listSeats";
    case listSessions: return "listSessions";
    case listThreadMessages: return "listThreadMessages";
    case listThreads: return "listThreads";
    case liveTicket: return "liveTicket";
    case lookupThread: return "lookupThread";
    case lovableConnect: return "lovableConnect";
    case lovableConnectCallback: return "lovableConnectCallback";
    case lovableConnections: return "lovableConnections";
    case lovableDisconnect: return "lovableDisconnect";
    case lovableProjectRuns: return "lovableProjectRuns";
    case lovableProjects: return "lovableProjects";
    case lovableWorkspace: return "lovableWorkspace";
    case macOperatorNext: return "macOperatorNext";
    case macOperatorRunStopped: return "macOperatorRunStopped";
    case macOperatorStepFile: return "macOperatorStepFile";
    case macOperatorStepFileState: return "macOperatorStepFileState";
    case macOperatorStepResult: return "macOperatorStepResult";
    case macStepScreen: return "macStepScreen";
    case macStepThumbnail: return "macStepThumbnail";
    case magicLink: return "magicLink";
    case markSendFailureSurfaced: return "markSendFailureSurfaced";
    case mcp: return "mcp";
    case mcpAuthorize: return "mcpAuthorize";
    case mcpConnectionRevoke: return "mcpConnectionRevoke";
    case mcpConnections: return "mcpConnections";
    case mcpConsent: return "mcpConsent";
    case mcpConsentDecide: return "mcpConsentDecide";
    case mcpRegister: return "mcpRegister";
    case mcpRevoke: return "mcpRevoke";
    case mcpToken: return "mcpToken";
    case mergeContacts: return "mergeContacts";
    case messageSearch: return "messageSearch";
    case missionNoteDone: return "missionNoteDone";
    case newBrainTopic: return "newBrainTopic";
    case oauthExchange: return "oauthExchange";
    case oauthSignIn: return "oauthSignIn";
    case openBillingPortal: return "openBillingPortal";
    case panelSession: return "panelSession";
    case pendingPairing: return "pendingPairing";
    case personaExtractStatus: return "personaExtractStatus";
    case planImport: return "planImport";
    case pollPairing: return "pollPairing";
    case pressMacStep: return "pressMacStep";
    case previewCalendarEvent: return "previewCalendarEvent";
    case proposeFollowUpRun: return "proposeFollowUpRun";
    case proposeFollowUpTime: return "proposeFollowUpTime";
    case proposeLovableBuild: return "proposeLovableBuild";
    case publicStats: return "publicStats";
    case putBrainNotifications: return "putBrainNotifications";
    case putPersona: return "putPersona";
    case putRules: return "putRules";
    case putSettings: return "putSettings";
    case reactToMessage: return "reactToMessage";
    case readDocumentWhole: return "readDocumentWhole";
    case recall: return "recall";
    case recordSiteEvents: return "recordSiteEvents";
    case refreshSession: return "refreshSession";
    case regenerateDraft: return "regenerateDraft";
    case registerDevice: return "registerDevice";
    case registerFeatureInterest: return "registerFeatureInterest";
    case relationshipMetrics: return "relationshipMetrics";
    case relayAttachmentBytes: return "relayAttachmentBytes";
    case relayHeartbeat: return "relayHeartbeat";
    case rememberFact: return "rememberFact";
    case removeCardFile: return "removeCardFile";
    case removeIdentity: return "removeIdentity";
    case renameContact: return "renameContact";
    case reportBrowserCommand: return "reportBrowserCommand";
    case reportRelayJob: return "reportRelayJob";
    case requestEmailChange: return "requestEmailChange";
    case requestGmailAccess: return "requestGmailAccess";
    case resetChannelPersona: return "resetChannelPersona";
    case resolveFollowUp: return "resolveFollowUp";
    case resumeDrafting: return "resumeDrafting";
    case resumeFollowUpRun: return "resumeFollowUpRun";
    case retrySend: return "retrySend";
    case revokeBrainGrant: return "revokeBrainGrant";
    case revokeDevice: return "revokeDevice";
    case revokeOtherSessions: return "revokeOtherSessions";
    case revokeSeat: return "revokeSeat";
    case revokeSession: return "revokeSession";
    case saveBrainTurn: return "saveBrainTurn";
    case searchBrainThread: return "searchBrainThread";
    case seenThread: return "seenThread";
    case send: return "send";
    case setAiConsent: return "setAiConsent";
    case setBrainMission: return "setBrainMission";
    case setBrainTaskStatus: return "setBrainTaskStatus";
    case setContactAvatar: return "setContactAvatar";
    case setMacPermissionMode: return "setMacPermissionMode";
    case setMissionTicks: return "setMissionTicks";
    case setOnboardingStep: return "setOnboardingStep";
    case setValueRate: return "setValueRate";
    case snooze: return "snooze";
    case splitContact: return "splitContact";
    case startCheckout: return "startCheckout";
    case startExport: return "startExport";
    case startExtraUsageCheckout: return "startExtraUsageCheckout";
    case startPairing: return "startPairing";
    case startTotpEnrolment: return "startTotpEnrolment";
    case startVoiceConnect: return "startVoiceConnect";
    case steer: return "steer";
    case stopBrowserCommand: return "stopBrowserCommand";
    case stopFollowUpRun: return "stopFollowUpRun";
    case stopMacRun: return "stopMacRun";
    case streamBrainChat: return "streamBrainChat";
    case stripeWebhook: return "stripeWebhook";
    case submitEnquiry: return "submitEnquiry";
    case submitFeedback: return "submitFeedback";
    case subscribeWebPush: return "subscribeWebPush";
    case testAgentSummons: return "testAgentSummons";
    case threadBrain: return "threadBrain";
    case threadShared: return "threadShared";
    case transcribe: return "transcribe";
    case unbindThreadFromProject: return "unbindThreadFromProject";
    case undoPlacedReply: return "undoPlacedReply";
    case unsubscribe: return "unsubscribe";
    case unsubscribeWebPush: return "unsubscribeWebPush";
    case updateAgentSettings: return "updateAgentSettings";
    case updateBrainChat: return "updateBrainChat";
    case updateChannel: return "updateChannel";
    case updateFollowUp: return "updateFollowUp";
    case updateProfile: return "updateProfile";
    case updateThread: return "updateThread";
    case uploadDocument: return "uploadDocument";
    case uploadDocumentDirect: return "uploadDocumentDirect";
    case uploadInboundAttachment: return "uploadInboundAttachment";
    case uploadOutgoingFile: return "uploadOutgoingFile";
    case valueHistory: return "valueHistory";
    case valueMetrics: return "valueMetrics";
    case verifyMagicLink: return "verifyMagicLink";
    case voiceConnectCallback: return "voiceConnectCallback";
    case voiceSamples: return "voiceSamples";
    case webHandoff: return "webHandoff";
    case webPushKey: return "webPushKey";
    }
    return {};
}

std::string_view TarvoEndpoint::template_() const {
    switch (value_) {
    case abandonRelayJob: return "/relay/jobs/:jobId/abandon";
    case aboutAddFile: return "/account/about/files";
    case aboutAddLink: return "/account/about/links";
    case aboutLibrary: return "/account/about";
    case aboutRemoveItem: return "/account/about/items/:itemId";
    case aboutSaveRules: return "/account/about/rules";
    case acceptLegal: return "/legal/accept";
    case acceptSeat: return "/seats/accept";
    case activateTotp: return "/auth/totp/activate";
    case addBrainTask: return "/brain/tasks";
    case addCalendarEvent: return "/brain/calendar/events";
    case adminAccount: return "/admin/accounts/:id";
    case adminAccountCharges: return "/admin/accounts/:id/charges";
    case adminAudience: return "/admin/audience";
    case adminAudit: return "/admin/audit";
    case adminBeta: return "/admin/beta";
    case adminBilling: return "/admin/billing";
    case adminBrowsing: return "/admin/browsing/:domain";
    case adminCampaigns: return "/admin/campaigns";
    case adminCohorts: return "/admin/cohorts";
    case adminControls: return "/admin/controls";
    case adminCreateCampaign: return "/admin/campaigns";
    case adminCreateDiscountCode: return "/admin/discounts";
    case adminDecideGmailRequest: return "/admin/gmail-requests/:userId/decide";
    case adminDecideReferral: return "/admin/referrals/:userId/decide";
    case adminDeleteDiscount: return "/admin/discounts/:id";
    case adminDemand: return "/admin/demand";
    case adminDeveloperApi: return "/admin/developer-api";
    case adminDiscounts: return "/admin/discounts";
    case adminEconomics: return "/admin/economics";
    case adminElite: return "/admin/elite";
    case adminExportCsv: return "/admin/export/:view";
    case adminExtendTrial: return "/admin/users/:userId/trial";
    case adminFeedback: return "/admin/feedback";
    case adminFollowUpKinds: return "/admin/follow-up-kinds";
    case adminForceResync: return "/admin/users/:userId/resync";
    case adminFunnel: return "/admin/funnel";
    case adminGmailRequests: return "/admin/gmail-requests";
    case adminGrantCredit: return "/admin/users/:userId/credits";
    case adminInbound: return "/admin/inbound";
    case adminIssueRefund: return "/admin/accounts/:id/refunds";
    case adminKillConnector: return "/admin/connectors/:channelId/kill";
    case adminOverview: return "/admin/overview";
    case adminPointTikTokWebhook: return "/admin/tiktok-webhook";
    case adminPublicStats: return "/admin/public-stats";
    case adminPublishStat: return "/admin/public-stats";
    case adminPulse: return "/admin/pulse";
    case adminQuality: return "/admin/quality";
    case adminReferrals: return "/admin/referrals";
    case adminReliability: return "/admin/reliability";
    case adminRenameDiscount: return "/admin/discounts/:id";
    case adminRevokeCredit: return "/admin/users/:userId/credits";
    case adminSendCampaign: return "/admin/campaigns/:campaignId/send";
    case adminSetAccountInternal: return "/admin/accounts/:id/internal";
    case adminSetDiscountCodeActive: return "/admin/discounts/:id/active";
    case adminSetFeedbackState: return "/admin/feedback/:itemId";
    case adminSetFlag: return "/admin/flags/:id";
    case adminSetInboundState: return "/admin/inbound/:itemId";
    case adminSetMarketingSuppression: return "/admin/users/:userId/marketing";
    case adminSupport: return "/admin/support";
    case adminTraffic: return "/admin/traffic";
    case adminUsage: return "/admin/usage";
    case adminUser: return "/admin/users/:userId";
    case adminUsers: return "/admin/users";
    case adminValue: return "/admin/value";
    case adminWrongMe: return "/admin/wrong-me";
    case aiConsent: return "/account/ai-consent";
    case apiAcknowledgeDelivery: return "/developer/deliveries/:outboxId/acknowledge";
    case apiAddKnowledge: return "/developer/knowledge";
    case apiBusinessProfile: return "/developer/business-profile";
    case apiCreateChannel: return "/developer/channels";
    case apiDeleteKnowledge: return "/developer/knowledge/:documentId";
    case apiGenerateDraft: return "/developer/drafts";
    case apiIngestMessage: return "/developer/messages";
    case apiKnowledgePassages: return "/developer/knowledge/passages";
    case apiKnowledgeUpload: return "/developer/knowledge/uploads/:token";
    case apiListChannels: return "/developer/channels";
    case apiListKnowledge: return "/developer/knowledge";
    case apiReadDraft: return "/developer/drafts/:draftId";
    case apiReadKnowledge: return "/developer/knowledge/:documentId";
    case apiRefreshKnowledge: return "/developer/knowledge/:documentId/refresh";
    case apiSaveBusinessProfile: return "/developer/business-profile";
    case apiUpdateKnowledge: return "/developer/knowledge/:documentId";
    case apiUsage: return "/developer/usage";
    case apiWallet: return "/developer/wallet";
    case applyImport: return "/import/apply";
    case approveBrowserStep: return "/threads/:threadId/browser-step/approve";
    case approveFollowUpRun: return "/runs/:runId/approve";
    case askBrain: return "/brain/ask";
    case attachmentContent: return "/attachments/:attachmentId";
    case attachmentPreview: return "/attachments/:attachmentId/preview";
    case attachmentsZip: return "/attachments/zip";
    case authProviders: return "/auth/providers";
    case authorizeChannel: return "/channels/:channelId/authorize";
    case billingState: return "/billing";
    case bindThreadToProject: return "/threads/:threadId/project";
    case brainActivity: return "/brain/activity";
    case brainChat: return "/brain/chats/:chatId";
    case brainChatHistory: return "/brain/chats/:chatId/history";
    case brainMission: return "/brain/mission";
    case brainNotifications: return "/brain/notifications";
    case brainNow: return "/brain/now";
    case brainRuleCards: return "/brain/rule-cards";
    case brainSearch: return "/brain/search";
    case brainTasks: return "/brain/tasks";
    case brainThread: return "/brain/threads/:threadId";
    case browserLive: return "/browser/live";
    case browserPaneClose: return "/browser/panes/:paneId/close";
    case browserPaneCurrent: return "/browser/panes/current";
    case browserPaneDriver: return "/browser/panes/:paneId/driver";
    case browserPaneHold: return "/browser/holds/:holdId";
    case browserPaneOpen: return "/browser/panes";
    case browserPaneTicket: return "/browser/panes/:paneId/ticket";
    case browserPowers: return "/browser/powers";
    case browserSessions: return "/browser/sessions";
    case bulkUpdateThreads: return "/threads/bulk";
    case capturePolicy: return "/capture/policy";
    case channelAvailability: return "/channels/availability";
    case channelConnectCallback: return "/channels/callback";
    case claimRelayJobs: return "/relay/jobs/claim";
    case clearBrainChat: return "/brain/chats/:chatId/clear";
    case clearBrainMission: return "/brain/mission/clear";
    case composeMessage: return "/compose";
    case composeTargets: return "/compose/targets";
    case confirmEmailChange: return "/auth/email/confirm";
    case connectChannel: return "/channels";
    case connectChannelOnThisDevice: return "/channels/this-device";
    case contactAvatar: return "/contacts/:contactId/avatar";
    case correctFact: return "/brain/facts/:factId/correct";
    case correctPersonaField: return "/brain/persona/correct";
    case createBrainChat: return "/brain/chats";
    case createDetail: return "/details";
    case createFact: return "/brain/facts";
    case createRecoveryCodes: return "/auth/totp/recovery-codes";
    case decideBrainNotificationCard: return "/brain/notifications/:cardId/decide";
    case decideBrainRuleCard: return "/brain/rule-cards/:cardId/decide";
    case decideHeldAct: return "/brain/held/:heldId/decide";
    case decidePairing: return "/devices/pair/decide";
    case decideSamePerson: return "/contacts/:contactId/same-person/:id/decide";
    case declineFollowUpRun: return "/runs/:runId/decline";
    case deleteAccount: return "/me";
    case deleteBrainChat: return "/brain/chats/:chatId";
    case deleteBrainDay: return "/brain/days/:day";
    case deleteBrainExchange: return "/brain/chats/:chatId/turns/:turnId";
    case deleteDetail: return "/details/:detailId";
    case deleteDocument: return "/documents/:documentId";
    case deleteThread: return "/threads/:threadId";
    case developerAddKnowledgeLink: return "/account/developer/knowledge/links";
    case developerBootstrap: return "/account/developer/bootstrap/:environment";
    case developerCreateChannel: return "/account/developer/channels";
    case developerCreateKey: return "/account/developer/keys";
    case developerDeleteKey: return "/account/developer/keys/:keyId";
    case developerDeleteKnowledge: return "/account/developer/knowledge/:documentId";
    case developerDeleteWebhook: return "/account/developer/webhook";
    case developerKnowledge: return "/account/developer/knowledge";
    case developerKnowledgeUploadUrl: return "/account/developer/knowledge/upload-url";
    case developerListChannels: return "/account/developer/channels";
    case developerListKeys: return "/account/developer/keys";
    case developerOverview: return "/metrics/developer";
    case developerRefreshKnowledge: return "/account/developer/knowledge/:documentId/refresh";
    case developerRetryWebhookEvent: return "/account/developer/webhook/events/:eventId/retry";
    case developerRevokeKey: return "/account/developer/keys/:keyId/revoke";
    case developerRotateWebhookSecret: return "/account/developer/webhook/secret";
    case developerSaveAutoRefill: return "/account/developer/auto-refill";
    case developerSaveBusinessProfile: return "/account/developer/business-profile";
    case developerSaveWebhook: return "/account/developer/webhook";
    case developerStartRefill: return "/account/developer/refill";
    case developerTestWebhook: return "/account/developer/webhook/test";
    case developerUpdateChannel: return "/account/developer/channels/:channelId";
    case developerUpdateKnowledge: return "/account/developer/knowledge/:documentId";
    case developerWallet: return "/account/developer/wallet";
    case developerWebhook: return "/account/developer/webhook";
    case dictate: return "/voice/dictate";
    case disableTotp: return "/auth/totp/disable";
    case disconnectChannel: return "/channels/:channelId";
    case dismiss: return "/cards/:cardId/dismiss";
    case dismissMissionProposal: return "/brain/mission/proposal/dismiss";
    case documentReading: return "/documents/:documentId/reading";
    case documentUploadStatus: return "/documents/uploads/:documentId";
    case documentUploadTicket: return "/documents/uploads";
    case draftReply: return "/drafts";
    case editFollowUpRun: return "/runs/:runId/edit";
    case emitEvents: return "/events";
    case eraseContact: return "/contacts/:contactId";
    case extraUsage: return "/billing/extra-usage";
    case extractPersona: return "/voice/persona/extract";
    case followUpRuns: return "/follow-ups/:followUpId/runs";
    case followUpSource: return "/follow-ups/sources/:sourceId";
    case forgetBrowserSession: return "/browser/sessions/:sessionId";
    case forgetFact: return "/brain/facts/:factId/forget";
    case forgetFromStatement: return "/brain/facts/forget";
    case getAgentSettings: return "/agent/settings";
    case getCard: return "/cards/:cardId";
    case getContact: return "/contacts/:contactId";
    case getFollowUp: return "/follow-ups/:followUpId";
    case getFollowUpRun: return "/runs/:runId";
    case getMacPermissions: return "/mac/devices/:deviceId/permissions";
    case getMacRun: return "/mac/runs/:runId";
    case getPanel: return "/panel";
    case getPersona: return "/voice/persona";
    case getPersonaProfile: return "/brain/persona";
    case getReferral: return "/referral";
    case getReferralLink: return "/referral/link";
    case getRules: return "/brain/rules";
    case getSettings: return "/settings";
    case getUsage: return "/usage";
    case getVoiceCorpus: return "/voice/corpus";
    case gmailAccess: return "/channels/gmail/access";
    case hideMessage: return "/messages/:messageId/hide";
    case ingest: return "/ingest";
    case ingestMessageEvents: return "/ingest/message-events";
    case inviteSeat: return "/seats";
    case legalStatus: return "/legal";
    case listAllFacts: return "/brain/facts/all";
    case listAllPersonas: return "/brain/personas";
    case listBrainChats: return "/brain/chats";
    case listChannels: return "/channels";
    case listContacts: return "/contacts";
    case listDetails: return "/details";
    case listDevices: return "/devices";
    case listDocuments: return "/documents";
    case listFacts: return "/facts";
    case listFollowUps: return "/follow-ups";
    case listIdentities: return "/auth/identities";
    case listMacRuns: return "/mac/runs";
    case listOutbox: return "/outbox";
    case listSamePerson: return "/contacts/same-person";
    case listSeats: return "/seats";
    case listSessions: return "/auth/sessions";
    case listThreadMessages: return "/threads/:threadId/messages";
    case listThreads: return "/threads";
    case liveTicket: return "/brain/live/ticket";
    case lookupThread: return "/threads/lookup";
    case lovableConnect: return "/lovable/connect";
    case lovableConnectCallback: return "/lovable/callback";
    case lovableConnections: return "/lovable/connections";
    case lovableDisconnect: return "/lovable/connections/:connectionId/disconnect";
    case lovableProjectRuns: return "/lovable/connections/:connectionId/projects/:projectId/runs";
    case lovableProjects: return "/lovable/connections/:connectionId/projects";
    case lovableWorkspace: return "/lovable/workspace";
    case macOperatorNext: return "/mac/operator/next";
    case macOperatorRunStopped: return "/mac/operator/runs/:runId/stopped";
    case macOperatorStepFile: return "/mac/operator/steps/:stepId/file";
    case macOperatorStepFileState: return "/mac/operator/steps/:stepId/file";
    case macOperatorStepResult: return "/mac/operator/steps/:stepId/result";
    case macStepScreen: return "/mac/steps/:stepId/screen";
    case macStepThumbnail: return "/mac/steps/:stepId/thumbnail";
    case magicLink: return "/auth/magic-link";
    case markSendFailureSurfaced: return "/outbox/:outboxId/failure-seen";
    case mcp: return "/mcp";
    case mcpAuthorize: return "/oauth/authorize";
    case mcpConnectionRevoke: return "/mcp/connections/:connectionId/revoke";
    case mcpConnections: return "/mcp/connections";
    case mcpConsent: return "/mcp/consent";
    case mcpConsentDecide: return "/mcp/consent";
    case mcpRegister: return "/oauth/register";
    case mcpRevoke: return "/oauth/revoke";
    case mcpToken: return "/oauth/token";
    case mergeContacts: return "/contacts/merge";
    case messageSearch: return "/messages/search";
    case missionNoteDone: return "/brain/mission/notes/:noteId/done";
    case newBrainTopic: return "/brain/chats/:chatId/topics";
    case oauthExchange: return "/auth/oauth/exchange";
    case oauthSignIn: return "/auth/oauth/:id";
    case openBillingPortal: return "/billing/portal";
    case panelSession: return "/auth/panel-session";
    case pendingPairing: return "/devices/pair/:userCode";
    case personaExtractStatus: return "/voice/persona/extract";
    case planImport: return "/import/plan";
    case pollPairing: return "/devices/pair/poll";
    case pressMacStep: return "/mac/steps/:stepId/press";
    case previewCalendarEvent: return "/brain/calendar/preview";
    case proposeFollowUpRun: return "/follow-ups/:followUpId/runs";
    case proposeFollowUpTime: return "/follow-ups/:followUpId/time";
    case proposeLovableBuild: return "/lovable/builds";
    case publicStats: return "/stats";
    case putBrainNotifications: return "/brain/notifications";
    case putPersona: return "/voice/persona";
    case putRules: return "/brain/rules";
    case putSettings: return "/settings";
    case reactToMessage: return "/messages/:messageId/reactions";
    case readDocumentWhole: return "/documents/:documentId";
    case recall: return "/cards/:cardId/recall";
    case recordSiteEvents: return "/site/events";
    case refreshSession: return "/auth/refresh";
    case regenerateDraft: return "/threads/:threadId/draft/regenerate";
    case registerDevice: return "/devices/register";
    case registerFeatureInterest: return "/feature-interest";
    case relationshipMetrics: return "/contacts/:contactId/relationship";
    case relayAttachmentBytes: return "/relay/jobs/:jobId/attachments/:attachmentId";
    case relayHeartbeat: return "/relay/heartbeat";
    case rememberFact: return "/brain/facts/remember";
    case removeCardFile: return "/cards/:cardId/files/:attachmentId";
    case removeIdentity: return "/auth/identities/:identityId";
    case renameContact: return "/contacts/:contactId";
    case reportBrowserCommand: return "/browser/commands/:commandId/report";
    case reportRelayJob: return "/relay/jobs/:jobId/result";
    case requestEmailChange: return "/auth/email";
    case requestGmailAccess: return "/channels/gmail/access";
    case resetChannelPersona: return "/brain/persona/channels/:channelId/reset";
    case resolveFollowUp: return "/follow-ups/:followUpId/resolve";
    case resumeDrafting: return "/threads/:threadId/draft/resume";
    case resumeFollowUpRun: return "/runs/:runId/resume";
    case retrySend: return "/outbox/:outboxId/retry";
    case revokeBrainGrant: return "/brain/grants/:id/revoke";
    case revokeDevice: return "/devices/:deviceId/revoke";
    case revokeOtherSessions: return "/auth/sessions/revoke-others";
    case revokeSeat: return "/seats/:seatId/revoke";
    case revokeSession: return "/auth/sessions/:sessionId";
    case saveBrainTurn: return "/brain/chats/:chatId/turns";
    case searchBrainThread: return "/threads/:threadId/brain/search";
    case seenThread: return "/threads/:threadId/seen";
    case send: return "/outbox";
    case setAiConsent: return "/account/ai-consent";
    case setBrainMission: return "/brain/mission";
    case setBrainTaskStatus: return "/brain/tasks/:taskId";
    case setContactAvatar: return "/contacts/:contactId/avatar";
    case setMacPermissionMode: return "/mac/devices/:deviceId/permissions/mode";
    case setMissionTicks: return "/brain/mission/ticks";
    case setOnboardingStep: return "/onboarding/step";
    case setValueRate: return "/metrics/value/rate";
    case snooze: return "/cards/:cardId/snooze";
    case splitContact: return "/contacts/:contactId/split";
    case startCheckout: return "/billing/checkout";
    case startExport: return "/export";
    case startExtraUsageCheckout: return "/billing/extra-usage/checkout";
    case startPairing: return "/devices/pair/start";
    case startTotpEnrolment: return "/auth/totp";
    case startVoiceConnect: return "/voice/connect";
    case steer: return "/cards/:cardId/steer";
    case stopBrowserCommand: return "/browser/commands/:commandId/stop";
    case stopFollowUpRun: return "/runs/:runId/stop";
    case stopMacRun: return "/mac/runs/:runId/stop";
    case streamBrainChat: return "/brain/chats/:chatId/stream";
    case stripeWebhook: return "/webhooks/stripe";
    case submitEnquiry: return "/contact";
    case submitFeedback: return "/feedback";
    case subscribeWebPush: return "/account/web-push";
    case testAgentSummons: return "/agent/test-summons";
    case threadBrain: return "/threads/:threadId/brain";
    case threadShared: return "/threads/:threadId/shared";
    case transcribe: return "/voice/transcribe";
    case unbindThreadFromProject: return "/threads/:threadId/project";
    case undoPlacedReply: return "/threads/:threadId/reply/undo";
    case unsubscribe: return "/unsubscribe/:token";
    case unsubscribeWebPush: return "/account/web-push";
    case updateAgentSettings: return "/agent/settings";
    case updateBrainChat: return "/brain/chats/:chatId";
    case updateChannel: return "/channels/:channelId";
    case updateFollowUp: return "/follow-ups/:followUpId";
    case updateProfile: return "/me";
    case updateThread: return "/threads/:threadId";
    case uploadDocument: return "/documents";
    case uploadDocumentDirect: return "/documents/uploads/:documentId";
    case uploadInboundAttachment: return "/ingest/attachments/:attachmentId/bytes";
    case uploadOutgoingFile: return "/attachments";
    case valueHistory: return "/metrics/value/history";
    case valueMetrics: return "/metrics/value";
    case verifyMagicLink: return "/auth/magic-link/verify";
    case voiceConnectCallback: return "/voice/connect/callback";
    case voiceSamples: return "/voice/samples/:index";
    case webHandoff: return "/auth/web-handoff";
    case webPushKey: return "/account/web-push/key";
    }
    return {};
}

std::string_view TarvoEndpoint::method() const {
    switch (value_) {
    case abandonRelayJob: return "POST";
    case aboutAddFile: return "POST";
    case aboutAddLink: return "POST";
    case aboutLibrary: return "GET";
    case aboutRemoveItem: return "DELETE";
    case aboutSaveRules: return "PUT";
    case acceptLegal: return "POST";
    case acceptSeat: return "POST";
    case activateTotp: return "POST";
    case addBrainTask: return "POST";
    case addCalendarEvent: return "POST";
    case adminAccount: return "GET";
    case adminAccountCharges: return "GET";
    case adminAudience: return "GET";
    case adminAudit: return "GET";
    case adminBeta: return "GET";
    case adminBilling: return "GET";
    case adminBrowsing: return "GET";
    case adminCampaigns: return "GET";
    case adminCohorts: return "GET";
    case adminControls: return "GET";
    case adminCreateCampaign: return "POST";
    case adminCreateDiscountCode: return "POST";
    case adminDecideGmailRequest: return "POST";
    case adminDecideReferral: return "POST";
    case adminDeleteDiscount: return "DELETE";
    case adminDemand: return "GET";
    case adminDeveloperApi: return "GET";
    case adminDiscounts: return "GET";
    case adminEconomics: return "GET";
    case adminElite: return "GET";
    case adminExportCsv: return "GET";
    case adminExtendTrial: return "POST";
    case adminFeedback: return "GET";
    case adminFollowUpKinds: return "GET";
    case adminForceResync: return "POST";
    case adminFunnel: return "GET";
    case adminGmailRequests: return "GET";
    case adminGrantCredit: return "POST";
    case adminInbound: return "GET";
    case adminIssueRefund: return "POST";
    case adminKillConnector: return "POST";
    case adminOverview: return "GET";
    case adminPointTikTokWebhook: return "POST";
    case adminPublicStats: return "GET";
    case adminPublishStat: return "POST";
    case adminPulse: return "GET";
    case adminQuality: return "GET";
    case adminReferrals: return "GET";
    case adminReliability: return "GET";
    case adminRenameDiscount: return "PATCH";
    case adminRevokeCredit: return "DELETE";
    case adminSendCampaign: return "POST";
    case adminSetAccountInternal: return "PUT";
    case adminSetDiscountCodeActive: return "PUT";
    case adminSetFeedbackState: return "PATCH";
    case adminSetFlag: return "POST";
    case adminSetInboundState: return "PATCH";
    case adminSetMarketingSuppression: return "PUT";
    case adminSupport: return "GET";
    case adminTraffic: return "GET";
    case adminUsage: return "GET";
    case adminUser: return "GET";
    case adminUsers: return "GET";
    case adminValue: return "GET";
    case adminWrongMe: return "GET";
    case aiConsent: return "GET";
    case apiAcknowledgeDelivery: return "POST";
    case apiAddKnowledge: return "POST";
    case apiBusinessProfile: return "GET";
    case apiCreateChannel: return "POST";
    case apiDeleteKnowledge: return "DELETE";
    case apiGenerateDraft: return "POST";
    case apiIngestMessage: return "POST";
    case apiKnowledgePassages: return "GET";
    case apiKnowledgeUpload: return "PUT";
    case apiListChannels: return "GET";
    case apiListKnowledge: return "GET";
    case apiReadDraft: return "GET";
    case apiReadKnowledge: return "GET";
    case apiRefreshKnowledge: return "POST";
    case apiSaveBusinessProfile: return "PUT";
    case apiUpdateKnowledge: return "PATCH";
    case apiUsage: return "GET";
    case apiWallet: return "GET";
    case applyImport: return "POST";
    case approveBrowserStep: return "POST";
    case approveFollowUpRun: return "POST";
    case askBrain: return "POST";
    case attachmentContent: return "GET";
    case attachmentPreview: return "GET";
    case attachmentsZip: return "POST";
    case authProviders: return "GET";
    case authorizeChannel: return "POST";
    case billingState: return "GET";
    case bindThreadToProject: return "POST";
    case brainActivity: return "GET";
    case brainChat: return "GET";
    case brainChatHistory: return "GET";
    case brainMission: return "GET";
    case brainNotifications: return "GET";
    case brainNow: return "GET";
    case brainRuleCards: return "GET";
    case brainSearch: return "POST";
    case brainTasks: return "GET";
    case brainThread: return "GET";
    case browserLive: return "GET";
    case browserPaneClose: return "POST";
    case browserPaneCurrent: return "GET";
    case browserPaneDriver: return "POST";
    case browserPaneHold: return "POST";
    case browserPaneOpen: return "POST";
    case browserPaneTicket: return "POST";
    case browserPowers: return "GET";
    case browserSessions: return "GET";
    case bulkUpdateThreads: return "POST";
    case capturePolicy: return "GET";
    case channelAvailability: return "GET";
    case channelConnectCallback: return "GET";
    case claimRelayJobs: return "POST";
    case clearBrainChat: return "POST";
    case clearBrainMission: return "POST";
    case composeMessage: return "POST";
    case composeTargets: return "GET";
    case confirmEmailChange: return "POST";
    case connectChannel: return "POST";
    case connectChannelOnThisDevice: return "POST";
    case contactAvatar: return "GET";
    case correctFact: return "POST";
    case correctPersonaField: return "POST";
    case createBrainChat: return "POST";
    case createDetail: return "POST";
    case createFact: return "POST";
    case createRecoveryCodes: return "POST";
    case decideBrainNotificationCard: return "POST";
    case decideBrainRuleCard: return "POST";
    case decideHeldAct: return "POST";
    case decidePairing: return "POST";
    case decideSamePerson: return "POST";
    case declineFollowUpRun: return "POST";
    case deleteAccount: return "DELETE";
    case deleteBrainChat: return "DELETE";
    case deleteBrainDay: return "DELETE";
    case deleteBrainExchange: return "DELETE";
    case deleteDetail: return "DELETE";
    case deleteDocument: return "DELETE";
    case deleteThread: return "DELETE";
    case developerAddKnowledgeLink: return "POST";
    case developerBootstrap: return "POST";
    case developerCreateChannel: return "POST";
    case developerCreateKey: return "POST";
    case developerDeleteKey: return "DELETE";
    case developerDeleteKnowledge: return "DELETE";
    case developerDeleteWebhook: return "DELETE";
    case developerKnowledge: return "GET";
    case developerKnowledgeUploadUrl: return "POST";
    case developerListChannels: return "GET";
    case developerListKeys: return "GET";
    case developerOverview: return "GET";
    case developerRefreshKnowledge: return "POST";
    case developerRetryWebhookEvent: return "POST";
    case developerRevokeKey: return "POST";
    case developerRotateWebhookSecret: return "POST";
    case developerSaveAutoRefill: return "PUT";
    case developerSaveBusinessProfile: return "PUT";
    case developerSaveWebhook: return "PUT";
    case developerStartRefill: return "POST";
    case developerTestWebhook: return "POST";
    case developerUpdateChannel: return "PATCH";
    case developerUpdateKnowledge: return "PATCH";
    case developerWallet: return "GET";
    case developerWebhook: return "GET";
    case dictate: return "POST";
    case disableTotp: return "POST";
    case disconnectChannel: return "DELETE";
    case dismiss: return "POST";
    case dismissMissionProposal: return "POST";
    case documentReading: return "GET";
    case documentUploadStatus: return "GET";
    case documentUploadTicket: return "POST";
    case draftReply: return "POST";
    case editFollowUpRun: return "POST";
    case emitEvents: return "POST";
    case eraseContact: return "DELETE";
    case extraUsage: return "GET";
    case extractPersona: return "POST";
    case followUpRuns: return "GET";
    case followUpSource: return "GET";
    case forgetBrowserSession: return "DELETE";
    case forgetFact: return "POST";
    case forgetFromStatement: return "POST";
    case getAgentSettings: return "GET";
    case getCard: return "GET";
    case getContact: return "GET";
    case getFollowUp: return "GET";
    case getFollowUpRun: return "GET";
    case getMacPermissions: return "GET";
    case getMacRun: return "GET";
    case getPanel: return "GET";
    case getPersona: return "GET";
    case getPersonaProfile: return "GET";
    case getReferral: return "GET";
    case getReferralLink: return "POST";
    case getRules: return "GET";
    case getSettings: return "GET";
    case getUsage: return "GET";
    case getVoiceCorpus: return "GET";
    case gmailAccess: return "GET";
    case hideMessage: return "POST";
    case ingest: return "POST";
    case ingestMessageEvents: return "POST";
    case inviteSeat: return "POST";
    case legalStatus: return "GET";
    case listAllFacts: return "GET";
    case listAllPersonas: return "GET";
    case listBrainChats: return "GET";
    case listChannels: return "GET";
    case listContacts: return "GET";
    case listDetails: return "GET";
    case listDevices: return "GET";
    case listDocuments: return "GET";
    case listFacts: return "GET";
    case listFollowUps: return "GET";
    case listIdentities: return "GET";
    case listMacRuns: return "GET";
    case listOutbox: return "GET";
    case listSamePerson: return "GET";
    case listSeats: return "GET";
    case listSessions: return "GET";
    case listThreadMessages: return "GET";
    case listThreads: return "GET";
    case liveTicket: return "POST";
    case lookupThread: return "POST";
    case lovableConnect: return "POST";
    case lovableConnectCallback: return "GET";
    case lovableConnections: return "GET";
    case lovableDisconnect: return "POST";
    case lovableProjectRuns: return "GET";
    case lovableProjects: return "GET";
    case lovableWorkspace: return "GET";
    case macOperatorNext: return "POST";
    case macOperatorRunStopped: return "POST";
    case macOperatorStepFile: return "PUT";
    case macOperatorStepFileState: return "GET";
    case macOperatorStepResult: return "POST";
    case macStepScreen: return "GET";
    case macStepThumbnail: return "GET";
    case magicLink: return "POST";
    case markSendFailureSurfaced: return "POST";
    case mcp: return "POST";
    case mcpAuthorize: return "GET";
    case mcpConnectionRevoke: return "POST";
    case mcpConnections: return "GET";
    case mcpConsent: return "GET";
    case mcpConsentDecide: return "POST";
    case mcpRegister: return "POST";
    case mcpRevoke: return "POST";
    case mcpToken: return "POST";
    case mergeContacts: return "POST";
    case messageSearch: return "POST";
    case missionNoteDone: return "POST";
    case newBrainTopic: return "POST";
    case oauthExchange: return "POST";
    case oauthSignIn: return "GET";
    case openBillingPortal: return "POST";
    case panelSession: return "POST";
    case pendingPairing: return "GET";
    case personaExtractStatus: return "GET";
    case planImport: return "POST";
    case pollPairing: return "POST";
    case pressMacStep: return "POST";
    case previewCalendarEvent: return "POST";
    case proposeFollowUpRun: return "POST";
    case proposeFollowUpTime: return "POST";
    case proposeLovableBuild: return "POST";
    case publicStats: return "GET";
    case putBrainNotifications: return "PUT";
    case putPersona: return "PUT";
    case putRules: return "PUT";
    case putSettings: return "PUT";
    case reactToMessage: return "POST";
    case readDocumentWhole: return "GET";
    case recall: return "POST";
    case recordSiteEvents: return "POST";
    case refreshSession: return "POST";
    case regenerateDraft: return "POST";
    case registerDevice: return "POST";
    case registerFeatureInterest: return "POST";
    case relationshipMetrics: return "GET";
    case relayAttachmentBytes: return "GET";
    case relayHeartbeat: return "POST";
    case rememberFact: return "POST";
    case removeCardFile: return "DELETE";
    case removeIdentity: return "DELETE";
    case renameContact: return "PATCH";
    case reportBrowserCommand: return "POST";
    case reportRelayJob: return "POST";
    case requestEmailChange: return "POST";
    case requestGmailAccess: return "POST";
    case resetChannelPersona: return "POST";
    case resolveFollowUp: return "POST";
    case resumeDrafting: return "POST";
    case resumeFollowUpRun: return "POST";
    case retrySend: return "POST";
    case revokeBrainGrant: return "POST";
    case revokeDevice: return "POST";
    case revokeOtherSessions: return "POST";
    case revokeSeat: return "POST";
    case revokeSession: return "DELETE";
    case saveBrainTurn: return "POST";
    case searchBrainThread: return "GET";
    case seenThread: return "POST";
    case send: return "POST";
    case setAiConsent: return "PUT";
    case setBrainMission: return "PUT";
    case setBrainTaskStatus: return "PATCH";
    case setContactAvatar: return "PUT";
    case setMacPermissionMode: return "PUT";
    case setMissionTicks: return "POST";
    case setOnboardingStep: return "PUT";
    case setValueRate: return "POST";
    case snooze: return "POST";
    case splitContact: return "POST";
    case startCheckout: return "POST";
    case startExport: return "POST";
    case startExtraUsageCheckout: return "POST";
    case startPairing: return "POST";
    case startTotpEnrolment: return "POST";
    case startVoiceConnect: return "POST";
    case steer: return "POST";
    case stopBrowserCommand: return "POST";
    case stopFollowUpRun: return "POST";
    case stopMacRun: return "POST";
    case streamBrainChat: return "POST";
    case stripeWebhook: return "POST";
    case submitEnquiry: return "POST";
    case submitFeedback: return "POST";
    case subscribeWebPush: return "POST";
    case testAgentSummons: return "POST";
    case threadBrain: return "GET";
    case threadShared: return "GET";
    case transcribe: return "POST";
    case unbindThreadFromProject: return "DELETE";
    case undoPlacedReply: return "POST";
    case unsubscribe: return "POST";
    case unsubscribeWebPush: return "DELETE";
    case updateAgentSettings: return "PUT";
    case updateBrainChat: return "PATCH";
    case updateChannel: return "PATCH";
    case updateFollowUp: return "PATCH";
    case updateProfile: return "PATCH";
    case updateThread: return "PATCH";
    case uploadDocument: return "POST";
    case uploadDocumentDirect: return "PUT";
    case uploadInboundAttachment: return "POST";
    case uploadOutgoingFile: return "POST";
    case valueHistory: return "GET";
    case valueMetrics: return "GET";
    case verifyMagicLink: return "POST";
    case voiceConnectCallback: return "GET";
    case voiceSamples: return "GET";
    case webHandoff: return "POST";
    case webPushKey: return "GET";
    }
    return {};
}

std::string_view TarvoEndpoint::auth() const {
    switch (value_) {
    case abandonRelayJob: return "user";
    case aboutAddFile: return "user";
    case aboutAddLink: return "user";
    case aboutLibrary: return "user";
    case aboutRemoveItem: return "user";
    case aboutSaveRules: return "user";
    case acceptLegal: return "user";
    case acceptSeat: return "user";
    case activateTotp: return "user";
    case addBrainTask: return "user";
    case addCalendarEvent: return "user";
    case adminAccount: return "owner_admin";
    case adminAccountCharges: return "owner_admin";
    case adminAudience: return "owner_admin";
    case adminAudit: return "owner_admin";
    case adminBeta: return "owner_admin";
    case adminBilling: return "owner_admin";
    case adminBrowsing: return "owner_admin";
    case adminCampaigns: return "owner_admin";
    case adminCohorts: return "owner_admin";
    case adminControls: return "owner_admin";
    case adminCreateCampaign: return "owner_admin";
    case adminCreateDiscountCode: return "owner_admin";
    case adminDecideGmailRequest: return "owner_admin";
    case adminDecideReferral: return "owner_admin";
    case adminDeleteDiscount: return "owner_admin";
    case adminDemand: return "owner_admin";
    case adminDeveloperApi: return "owner_admin";
    case adminDiscounts: return "owner_admin";
    case adminEconomics: return "owner_admin";
    case adminElite: return "owner_admin";
    case adminExportCsv: return "owner_admin";
    case adminExtendTrial: return "owner_admin";
    case adminFeedback: return "owner_admin";
    case adminFollowUpKinds: return "owner_admin";
    case adminForceResync: return "owner_admin";
    case adminFunnel: return "owner_admin";
    case adminGmailRequests: return "owner_admin";
    case adminGrantCredit: return "owner_admin";
    case adminInbound: return "owner_admin";
    case adminIssueRefund: return "owner_admin";
    case adminKillConnector: return "owner_admin";
    case adminOverview: return "owner_admin";
    case adminPointTikTokWebhook: return "owner_admin";
    case adminPublicStats: return "owner_admin";
    case adminPublishStat: return "owner_admin";
    case adminPulse: return "owner_admin";
    case adminQuality: return "owner_admin";
    case adminReferrals: return "owner_admin";
    case adminReliability: return "owner_admin";
    case adminRenameDiscount: return "owner_admin";
    case adminRevokeCredit: return "owner_admin";
    case adminSendCampaign: return "owner_admin";
    case adminSetAccountInternal: return "owner_admin";
    case adminSetDiscountCodeActive: return "owner_admin";
    case adminSetFeedbackState: return "owner_admin";
    case adminSetFlag: return "owner_admin";
    case adminSetInboundState: return "owner_admin";
    case adminSetMarketingSuppression: return "owner_admin";
    case adminSupport: return "owner_admin";
    case adminTraffic: return "owner_admin";
    case adminUsage: return "owner_admin";
    case adminUser: return "owner_admin";
    case adminUsers: return "owner_admin";
    case adminValue: return "owner_admin";
    case adminWrongMe: return "owner_admin";
    case aiConsent: return "user";
    case apiAcknowledgeDelivery: return "api_key";
    case apiAddKnowledge: return "api_key";
    case apiBusinessProfile: return "api_key";
    case apiCreateChannel: return "api_key";
    case apiDeleteKnowledge: return "api_key";
    case apiGenerateDraft: return "api_key";
    case apiIngestMessage: return "api_key";
    case apiKnowledgePassages: return "api_key";
    case apiKnowledgeUpload: return "none";
    case apiListChannels: return "api_key";
    case apiListKnowledge: return "api_key";
    case apiReadDraft: return "api_key";
    case apiReadKnowledge: return "api_key";
    case apiRefreshKnowledge: return "api_key";
    case apiSaveBusinessProfile: return "api_key";
    case apiUpdateKnowledge: return "api_key";
    case apiUsage: return "api_key";
    case apiWallet: return "api_key";
    case applyImport: return "user";
    case approveBrowserStep: return "user";
    case approveFollowUpRun: return "user";
    case askBrain: return "user";
    case attachmentContent: return "user";
    case attachmentPreview: return "user";
    case attachmentsZip: return "user";
    case authProviders: return "none";
    case authorizeChannel: return "user";
    case billingState: return "user";
    case bindThreadToProject: return "user";
    case brainActivity: return "user";
    case brainChat: return "user";
    case brainChatHistory: return "user";
    case brainMission: return "user";
    case brainNotifications: return "user";
    case brainNow: return "user";
    case brainRuleCards: return "user";
    case brainSearch: return "user";
    case brainTasks: return "user";
    case brainThread: return "user";
    case browserLive: return "user";
    case browserPaneClose: return "user";
    case browserPaneCurrent: return "user";
    case browserPaneDriver: return "user";
    case browserPaneHold: return "user";
    case browserPaneOpen: return "user";
    case browserPaneTicket: return "user";
    case browserPowers: return "user";
    case browserSessions: return "user";
    case bulkUpdateThreads: return "user";
    case capturePolicy: return "user";
    case channelAvailability: return "user";
    case channelConnectCallback: return "none";
    case claimRelayJobs: return "user";
    case clearBrainChat: return "user";
    case clearBrainMission: return "user";
    case composeMessage: return "user";
    case composeTargets: return "user";
    case confirmEmailChange: return "none";
    case connectChannel: return "user";
    case connectChannelOnThisDevice: return "user";
    case contactAvatar: return "user";
    case correctFact: return "user";
    case correctPersonaField: return "user";
    case createBrainChat: return "user";
    case createDetail: return "user";
    case createFact: return "user";
    case createRecoveryCodes: return "user";
    case decideBrainNotificationCard: return "user";
    case decideBrainRuleCard: return "user";
    case decideHeldAct: return "user";
    case decidePairing: return "user";
    case decideSamePerson: return "user";
    case declineFollowUpRun: return "user";
    case deleteAccount: return "user";
    case deleteBrainChat: return "user";
    case deleteBrainDay: return "user";
    case deleteBrainExchange: return "user";
    case deleteDetail: return "user";
    case deleteDocument: return "user";
    case deleteThread: return "user";
    case developerAddKnowledgeLink: return "user";
    case developerBootstrap: return "user";
    case developerCreateChannel: return "user";
    case developerCreateKey: return "user";
    case developerDeleteKey: return "user";
    case developerDeleteKnowledge: return "user";
    case developerDeleteWebhook: return "user";
    case developerKnowledge: return "user";
    case developerKnowledgeUploadUrl: return "user";
    case developerListChannels: return "user";
    case developerListKeys: return "user";
    case developerOverview: return "user";
    case developerRefreshKnowledge: return "user";
    case developerRetryWebhookEvent: return "user";
    case developerRevokeKey: return "user";
    case developerRotateWebhookSecret: return "user";
    case developerSaveAutoRefill: return "user";
    case developerSaveBusinessProfile: return "user";
    case developerSaveWebhook: return "user";
    case developerStartRefill: return "user";
    case developerTestWebhook: return "user";
    case developerUpdateChannel: return "user";
    case developerUpdateKnowledge: return "user";
    case developerWallet: return "user";
    case developerWebhook: return "user";
    case dictate: return "user";
    case disableTotp: return "user";
    case disconnectChannel: return "user";
    case dismiss: return "user";
    case dismissMissionProposal: return "user";
    case documentReading: return "user";
    case documentUploadStatus: return "user";
    case documentUploadTicket: return "user";
    case draftReply: return "user";
    case editFollowUpRun: return "user";
    case emitEvents: return "user";
    case eraseContact: return "user";
    case extraUsage: return "user";
    case extractPersona: return "user";
    case followUpRuns: return "user";
    case followUpSource: return "user";
    case forgetBrowserSession: return "user";
    case forgetFact: return "user";
    case forgetFromStatement: return "user";
    case getAgentSettings: return "user";
    case getCard: return "user";
    case getContact: return "user";
    case getFollowUp: return "user";
    case getFollowUpRun: return "user";
    case getMacPermissions: return "user";
    case getMacRun: return "user";
    case getPanel: return "user";
    case getPersona: return "user";
    case getPersonaProfile: return "user";
    case getReferral: return "user";
    case getReferralLink: return "user";
    case getRules: return "user";
    case getSettings: return "user";
    case getUsage: return "user";
    case getVoiceCorpus: return "user";
    case gmailAccess: return "user";
    case hideMessage: return "user";
    case ingest: return "connector";
    case ingestMessageEvents: return "user";
    case inviteSeat: return "user";
    case legalStatus: return "user";
    case listAllFacts: return "user";
    case listAllPersonas: return "user";
    case listBrainChats: return "user";
    case listChannels: return "user";
    case listContacts: return "user";
    case listDetails: return "user";
    case listDevices: return "user";
    case listDocuments: return "user";
    case listFacts: return "user";
    case listFollowUps: return "user";
    case listIdentities: return "user";
    case listMacRuns: return "user";
    case listOutbox: return "user";
    case listSamePerson: return "user";
    case listSeats: return "user";
    case listSessions: return "user";
    case listThreadMessages: return "user";
    case listThreads: return "user";
    case liveTicket: return "user";
    case lookupThread: return "user";
    case lovableConnect: return "user";
    case lovableConnectCallback: return "none";
    case lovableConnections: return "user";
    case lovableDisconnect: return "user";
    case lovableProjectRuns: return "user";
    case lovableProjects: return "user";
    case lovableWorkspace: return "user";
    case macOperatorNext: return "user";
    case macOperatorRunStopped: return "user";
    case macOperatorStepFile: return "user";
    case macOperatorStepFileState: return "user";
    case macOperatorStepResult: return "user";
    case macStepScreen: return "user";
    case macStepThumbnail: return "user";
    case magicLink: return "none";
    case markSendFailureSurfaced: return "user";
    case mcp: return "oauth_client";
    case mcpAuthorize: return "none";
    case mcpConnectionRevoke: return "user";
    case mcpConnections: return "user";
    case mcpConsent: return "user";
    case mcpConsentDecide: return "user";
    case mcpRegister: return "none";
    case mcpRevoke: return "none";
    case mcpToken: return "none";
    case mergeContacts: return "user";
    case messageSearch: return "user";
    case missionNoteDone: return "user";
    case newBrainTopic: return "user";
    case oauthExchange: return "none";
    case oauthSignIn: return "none";
    case openBillingPortal: return "user";
    case panelSession: return "user";
    case pendingPairing: return "user";
    case personaExtractStatus: return "user";
    case planImport: return "user";
    case pollPairing: return "none";
    case pressMacStep: return "user";
    case previewCalendarEvent: return "user";
    case proposeFollowUpRun: return "user";
    case proposeFollowUpTime: return "user";
    case proposeLovableBuild: return "user";
    case publicStats: return "none";
    case putBrainNotifications: return "user";
    case putPersona: return "user";
    case putRules: return "user";
    case putSettings: return "user";
    case reactToMessage: return "user";
    case readDocumentWhole: return "user";
    case recall: return "user";
    case recordSiteEvents: return "none";
    case refreshSession: return "none";
    case regenerateDraft: return "user";
    case registerDevice: return "user";
    case registerFeatureInterest: return "user";
    case relationshipMetrics: return "user";
    case relayAttachmentBytes: return "user";
    case relayHeartbeat: return "user";
    case rememberFact: return "user";
    case removeCardFile: return "user";
    case removeIdentity: return "user";
    case renameContact: return "user";
    case reportBrowserCommand: return "user";
    case reportRelayJob: return "user";
    case requestEmailChange: return "user";
    case requestGmailAccess: return "user";
    case resetChannelPersona: return "user";
    case resolveFollowUp: return "user";
    case resumeDrafting: return "user";
    case resumeFollowUpRun: return "user";
    case retrySend: return "user";
    case revokeBrainGrant: return "user";
    case revokeDevice: return "user";
    case revokeOtherSessions: return "user";
    case revokeSeat: return "user";
    case revokeSession: return "user";
    case saveBrainTurn: return "user";
    case searchBrainThread: return "user";
    case seenThread: return "user";
    case send: return "user";
    case setAiConsent: return "user";
    case setBrainMission: return "user";
    case setBrainTaskStatus: return "user";
    case setContactAvatar: return "user";
    case setMacPermissionMode: return "user";
    case setMissionTicks: return "user";
    case setOnboardingStep: return "user";
    case setValueRate: return "user";
    case snooze: return "user";
    case splitContact: return "user";
    case startCheckout: return "user";
    case startExport: return "user";
    case startExtraUsageCheckout: return "user";
    case startPairing: return "none";
    case startTotpEnrolment: return "user";
    case startVoiceConnect: return "user";
    case steer: return "user";
    case stopBrowserCommand: return "user";
    case stopFollowUpRun: return "user";
    case stopMacRun: return "user";
    case streamBrainChat: return "user";
    case stripeWebhook: return "none";
    case submitEnquiry: return "none";
    case submitFeedback: return "user";
    case subscribeWebPush: return "user";
    case testAgentSummons: return "user";
    case threadBrain: return "user";
    case threadShared: return "user";
    case transcribe: return "user";
    case unbindThreadFromProject: return "user";
    case undoPlacedReply: return "user";
    case unsubscribe: return "none";
    case unsubscribeWebPush: return "user";
    case updateAgentSettings: return "user";
    case updateBrainChat: return "user";
    case updateChannel: return "user";
    case updateFollowUp: return "user";
    case updateProfile: return "user";
    case updateThread: return "user";
    case uploadDocument: return "user";
    case uploadDocumentDirect: return "user";
    case uploadInboundAttachment: return "connector";
    case uploadOutgoingFile: return "user";
    case valueHistory: return "user";
    case valueMetrics: return "user";
    case verifyMagicLink: return "none";
    case voiceConnectCallback: return "none";
    case voiceSamples: return "user";
    case webHandoff: return "user";
    case webPushKey: return "user";
    }
    return {};
}

std::span<const TarvoEndpoint::Refusal> TarvoEndpoint::refusalList() const {
    switch (value_) {
    case abandonRelayJob: return refusalsOf::abandonRelayJob;
    case aboutAddFile: return refusalsOf::aboutAddFile;
    case aboutAddLink: return refusalsOf::aboutAddLink;
    case aboutLibrary: return {};
    case aboutRemoveItem: return refusalsOf::aboutRemoveItem;
    case aboutSaveRules: return refusalsOf::aboutSaveRules;
    case acceptLegal: return refusalsOf::acceptLegal;
    case acceptSeat: return refusalsOf::acceptSeat;
    case activateTotp: return refusalsOf::activateTotp;
    case addBrainTask: return refusalsOf::addBrainTask;
    case addCalendarEvent: return refusalsOf::addCalendarEvent;
    case adminAccount: return refusalsOf::adminAccount;
    case adminAccountCharges: return refusalsOf::adminAccountCharges;
    case adminAudience: return refusalsOf::adminAudience;
    case adminAudit: return refusalsOf::adminAudit;
    case adminBeta: return refusalsOf::adminBeta;
    case adminBilling: return refusalsOf::adminBilling;
    case adminBrowsing: return refusalsOf::adminBrowsing;
    case adminCampaigns: return refusalsOf::adminCampaigns;
    case adminCohorts: return refusalsOf::adminCohorts;
    case adminControls: return refusalsOf::adminControls;
    case adminCreateCampaign: return refusalsOf::adminCreateCampaign;
    case adminCreateDiscountCode: return refusalsOf::adminCreateDiscountCode;
    case adminDecideGmailRequest: return refusalsOf::adminDecideGmailRequest;
    case adminDecideReferral: return refusalsOf::adminDecideReferral;
    case adminDeleteDiscount: return refusalsOf::adminDeleteDiscount;
    case adminDemand: return refusalsOf::adminDemand;
    case adminDeveloperApi: return refusalsOf::adminDeveloperApi;
    case adminDiscounts: return refusalsOf::adminDiscounts;
    case adminEconomics: return refusalsOf::adminEconomics;
    case adminElite: return refusalsOf::adminElite;
    case adminExportCsv: return refusalsOf::adminExportCsv;
    case adminExtendTrial: return refusalsOf::adminExtendTrial;
    case adminFeedback: return refusalsOf::adminFeedback;
    case adminFollowUpKinds: return refusalsOf::adminFollowUpKinds;
    case adminForceResync: return refusalsOf::adminForceResync;
    case adminFunnel: return refusalsOf::adminFunnel;
    case adminGmailRequests: return refusalsOf::adminGmailRequests;
    case adminGrantCredit: return refusalsOf::adminGrantCredit;
    case adminInbound: return refusalsOf::adminInbound;
    case adminIssueRefund: return refusalsOf::adminIssueRefund;
    case adminKillConnector: return refusalsOf::adminKillConnector;
    case adminOverview: return refusalsOf::adminOverview;
    case adminPointTikTokWebhook: return refusalsOf::adminPointTikTokWebhook;
    case adminPublicStats: return refusalsOf::adminPublicStats;
    case adminPublishStat: return refusalsOf::adminPublishStat;
    case adminPulse: return {};
    case adminQuality: return refusalsOf::adminQuality;
    case adminReferrals: return refusalsOf::adminReferrals;
    case adminReliability: return refusalsOf::adminReliability;
    case adminRenameDiscount: return refusalsOf::adminRenameDiscount;
    case adminRevokeCredit: return refusalsOf::adminRevokeCredit;
    case adminSendCampaign: return refusalsOf::adminSendCampaign;
    case adminSetAccountInternal: return refusalsOf::adminSetAccountInternal;
    case adminSetDiscountCodeActive: return refusalsOf::adminSetDiscountCodeActive;
    case adminSetFeedbackState: return refusalsOf::adminSetFeedbackState;
    case adminSetFlag: return refusalsOf::adminSetFlag;
    case adminSetInboundState: return refusalsOf::adminSetInboundState;
    case adminSetMarketingSuppression: return refusalsOf::adminSetMarketingSuppression;
    case adminSupport: return refusalsOf::adminSupport;
    case adminTraffic: return refusalsOf::adminTraffic;
    case adminUsage: return refusalsOf::adminUsage;
    case adminUser: return refusalsOf::adminUser;
    case adminUsers: return refusalsOf::adminUsers;
    case adminValue: return refusalsOf::adminValue;
    case adminWrongMe: return refusalsOf::adminWrongMe;
    case aiConsent: return {};
    case apiAcknowledgeDelivery: return refusalsOf::apiAcknowledgeDelivery;
    case apiAddKnowledge: return refusalsOf::apiAddKnowledge;
    case apiBusinessProfile: return refusalsOf::apiBusinessProfile;
    case apiCreateChannel: return refusalsOf::apiCreateChannel;
    case apiDeleteKnowledge: return refusalsOf::apiDeleteKnowledge;
    case apiGenerateDraft: return refusalsOf::apiGenerateDraft;
    case apiIngestMessage: return refusalsOf::apiIngestMessage;
    case apiKnowledgePassages: return refusalsOf::apiKnowledgePassages;
    case apiKnowledgeUpload: return refusalsOf::apiKnowledgeUpload;
    case apiListChannels: return refusalsOf::apiListChannels;
    case apiListKnowledge: return refusalsOf::apiListKnowledge;
    case apiReadDraft: return refusalsOf::apiReadDraft;
    case apiReadKnowledge: return refusalsOf::apiReadKnowledge;
    case apiRefreshKnowledge: return refusalsOf::apiRefreshKnowledge;
    case apiSaveBusinessProfile: return refusalsOf::apiSaveBusinessProfile;
    case apiUpdateKnowledge: return refusalsOf::apiUpdateKnowledge;
    case apiUsage: return refusalsOf::apiUsage;
    case apiWallet: return refusalsOf::apiWallet;
    case applyImport: return refusalsOf::applyImport;
    case approveBrowserStep: return refusalsOf::approveBrowserStep;
    case approveFollowUpRun: return refusalsOf::approveFollowUpRun;
    case askBrain: return refusalsOf::askBrain;
    case attachmentContent: return refusalsOf::attachmentContent;
    case attachmentPreview: return refusalsOf::attachmentPreview;
    case attachmentsZip: return refusalsOf::attachmentsZip;
    case authProviders: return refusalsOf::authProviders;
    case authorizeChannel: return refusalsOf::authorizeChannel;
    case billingState: return {};
    case bindThreadToProject: return refusalsOf::bindThreadToProject;
    case brainActivity: return {};
    case brainChat: return refusalsOf::brainChat;
    case brainChatHistory: return refusalsOf::brainChatHistory;
    case brainMission: return {};
    case brainNotifications: return {};
    case brainNow: return {};
    case brainRuleCards: return {};
    case brainSearch: return refusalsOf::brainSearch;
    case brainTasks: return {};
    case brainThread: return refusalsOf::brainThread;
    case browserLive: return refusalsOf::browserLive;
    case browserPaneClose: return refusalsOf::browserPaneClose;
    case browserPaneCurrent: return refusalsOf::browserPaneCurrent;
    case browserPaneDriver: return refusalsOf::browserPaneDriver;
    case browserPaneHold: return refusalsOf::browserPaneHold;
    case browserPaneOpen: return refusalsOf::browserPaneOpen;
    case browserPaneTicket: return refusalsOf::browserPaneTicket;
    case browserPowers: return refusalsOf::browserPowers;
    case browserSessions: return {};
    case bulkUpdateThreads: return refusalsOf::bulkUpdateThreads;
    case capturePolicy: return {};
    case channelAvailability: return refusalsOf::channelAvailability;
    case channelConnectCallback: return refusalsOf::channelConnectCallback;
    case claimRelayJobs: return refusalsOf::claimRelayJobs;
    case clearBrainChat: return refusalsOf::clearBrainChat;
    case clearBrainMission: return refusalsOf::clearBrainMission;
    case composeMessage: return refusalsOf::composeMessage;
    case composeTargets: return refusalsOf::composeTargets;
    case confirmEmailChange: return refusalsOf::confirmEmailChange;
    case connectChannel: return refusalsOf::connectChannel;
    case connectChannelOnThisDevice: return refusalsOf::connectChannelOnThisDevice;
    case contactAvatar: return refusalsOf::contactAvatar;
    case correctFact: return refusalsOf::correctFact;
    case correctPersonaField: return refusalsOf::correctPersonaField;
    case createBrainChat: return refusalsOf::createBrainChat;
    case createDetail: return refusalsOf::createDetail;
    case createFact: return refusalsOf::createFact;
    case createRecoveryCodes: return refusalsOf::createRecoveryCodes;
    case decideBrainNotificationCard: return refusalsOf::decideBrainNotificationCard;
    case decideBrainRuleCard: return refusalsOf::decideBrainRuleCard;
    case decideHeldAct: return refusalsOf::decideHeldAct;
    case decidePairing: return refusalsOf::decidePairing;
    case decideSamePerson: return refusalsOf::decideSamePerson;
    case declineFollowUpRun: return refusalsOf::declineFollowUpRun;
    case deleteAccount: return refusalsOf::deleteAccount;
    case deleteBrainChat: return refusalsOf::deleteBrainChat;
    case deleteBrainDay: return refusalsOf::deleteBrainDay;
    case deleteBrainExchange: return refusalsOf::deleteBrainExchange;
    case deleteDetail: return refusalsOf::deleteDetail;
    case deleteDocument: return refusalsOf::deleteDocument;
    case deleteThread: return refusalsOf::deleteThread;
    case developerAddKnowledgeLink: return refusalsOf::developerAddKnowledgeLink;
    case developerBootstrap: return refusalsOf::developerBootstrap;
    case developerCreateChannel: return refusalsOf::developerCreateChannel;
    case developerCreateKey: return refusalsOf::developerCreateKey;
    case developerDeleteKey: return refusalsOf::developerDeleteKey;
    case developerDeleteKnowledge: return refusalsOf::developerDeleteKnowledge;
    case developerDeleteWebhook: return refusalsOf::developerDeleteWebhook;
    case developerKnowledge: return {};
    case developerKnowledgeUploadUrl: return refusalsOf::developerKnowledgeUploadUrl;
    case developerListChannels: return {};
    case developerListKeys: return {};
    case developerOverview: return {};
    case developerRefreshKnowledge: return refusalsOf::developerRefreshKnowledge;
    case developerRetryWebhookEvent: return refusalsOf::developerRetryWebhookEvent;
    case developerRevokeKey: return refusalsOf::developerRevokeKey;
    case developerRotateWebhookSecret: return refusalsOf::developerRotateWebhookSecret;
    case developerSaveAutoRefill: return refusalsOf::developerSaveAutoRefill;
    case developerSaveBusinessProfile: return refusalsOf::developerSaveBusinessProfile;
    case developerSaveWebhook: return refusalsOf::developerSaveWebhook;
    case developerStartRefill: return refusalsOf::developerStartRefill;
    case developerTestWebhook: return refusalsOf::developerTestWebhook;
    case developerUpdateChannel: return refusalsOf::developerUpdateChannel;
    case developerUpdateKnowledge: return refusalsOf::developerUpdateKnowledge;
    case developerWallet: return {};
    case developerWebhook: return {};
    case dictate: return refusalsOf::dictate;
    case disableTotp: return refusalsOf::disableTotp;
    case disconnectChannel: return refusalsOf::disconnectChannel;
    case dismiss: return refusalsOf::dismiss;
    case dismissMissionProposal: return refusalsOf::dismissMissionProposal;
    case documentReading: return refusalsOf::documentReading;
    case documentUploadStatus: return refusalsOf::documentUploadStatus;
    case documentUploadTicket: return refusalsOf::documentUploadTicket;
    case draftReply: return refusalsOf::draftReply;
    case editFollowUpRun: return refusalsOf::editFollowUpRun;
    case emitEvents: return refusalsOf::emitEvents;
    case eraseContact: return refusalsOf::eraseContact;
    case extraUsage: return {};
    case extractPersona: return refusalsOf::extractPersona;
    case followUpRuns: return refusalsOf::followUpRuns;
    case followUpSource: return refusalsOf::followUpSource;
    case forgetBrowserSession: return refusalsOf::forgetBrowserSession;
    case forgetFact: return refusalsOf::forgetFact;
    case forgetFromStatement: return refusalsOf::forgetFromStatement;
    case getAgentSettings: return {};
    case getCard: return refusalsOf::getCard;
    case getContact: return refusalsOf::getContact;
    case getFollowUp: return refusalsOf::getFollowUp;
    case getFollowUpRun: return refusalsOf::getFollowUpRun;
    case getMacPermissions: return refusalsOf::getMacPermissions;
    case getMacRun: return refusalsOf::getMacRun;
    case getPanel: return {};
    case getPersona: return {};
    case getPersonaProfile: return {};
    case getReferral: return {};
    case getReferralLink: return refusalsOf::getReferralLink;
    case getRules: return {};
    case getSettings: return {};
    case getUsage: return {};
    case getVoiceCorpus: return refusalsOf::getVoiceCorpus;
    case gmailAccess: return refusalsOf::gmailAccess;
    case hideMessage: return refusalsOf::hideMessage;
    case ingest: return refusalsOf::ingest;
    case ingestMessageEvents: return refusalsOf::ingestMessageEvents;
    case inviteSeat: return refusalsOf::inviteSeat;
    case legalStatus: return {};
    case listAllFacts: return {};
    case listAllPersonas: return {};
    case listBrainChats: return {};
    case listChannels: return {};
    case listContacts: return {};
    case listDetails: return {};
    case listDevices: return {};
    case listDocuments: return {};
    case listFacts: return {};
    case listFollowUps: return {};
    case listIdentities: return {};
    case listMacRuns: return {};
    case listOutbox: return {};
    case listSamePerson: return {};
    case listSeats: return {};
    case listSessions: return {};
    case listThreadMessages: return refusalsOf::listThreadMessages;
    case listThreads: return {};
    case liveTicket: return refusalsOf::liveTicket;
    case lookupThread: return refusalsOf::lookupThread;
    case lovableConnect: return refusalsOf::lovableConnect;
    case lovableConnectCallback: return refusalsOf::lovableConnectCallback;
    case lovableConnections: return {};
    case lovableDisconnect: return refusalsOf::lovableDisconnect;
    case lovableProjectRuns: return refusalsOf::lovableProjectRuns;
    case lovableProjects: return refusalsOf::lovableProjects;
    case lovableWorkspace: return refusalsOf::lovableWorkspace;
    case macOperatorNext: return refusalsOf::macOperatorNext;
    case macOperatorRunStopped: return refusalsOf::macOperatorRunStopped;
    case macOperatorStepFile: return refusalsOf::macOperatorStepFile;
    case macOperatorStepFileState: return refusalsOf::macOperatorStepFileState;
    case macOperatorStepResult: return refusalsOf::macOperatorStepResult;
    case macStepScreen: return refusalsOf::macStepScreen;
    case macStepThumbnail: return refusalsOf::macStepThumbnail;
    case magicLink: return refusalsOf::magicLink;
    case markSendFailureSurfaced: return refusalsOf::markSendFailureSurfaced;
    case mcp: return refusalsOf::mcp;
    case mcpAuthorize: return refusalsOf::mcpAuthorize;
    case mcpConnectionRevoke: return refusalsOf::mcpConnectionRevoke;
    case mcpConnections: return {};
    case mcpConsent: return refusalsOf::mcpConsent;
    case mcpConsentDecide: return refusalsOf::mcpConsentDecide;
    case mcpRegister: return refusalsOf::mcpRegister;
    case mcpRevoke: return refusalsOf::mcpRevoke;
    case mcpToken: return refusalsOf::mcpToken;
    case mergeContacts: return refusalsOf::mergeContacts;
    case messageSearch: return refusalsOf::messageSearch;
    case missionNoteDone: return refusalsOf::missionNoteDone;
    case newBrainTopic: return refusalsOf::newBrainTopic;
    case oauthExchange: return refusalsOf::oauthExchange;
    case oauthSignIn: return refusalsOf::oauthSignIn;
    case openBillingPortal: return refusalsOf::openBillingPortal;
    case panelSession: return refusalsOf::panelSession;
    case pendingPairing: return refusalsOf::pendingPairing;
    case personaExtractStatus: return refusalsOf::personaExtractStatus;
    case planImport: return refusalsOf::planImport;
    case pollPairing: return refusalsOf::pollPairing;
    case pressMacStep: return refusalsOf::pressMacStep;
    case previewCalendarEvent: return refusalsOf::previewCalendarEvent;
    case proposeFollowUpRun: return refusalsOf::proposeFollowUpRun;
    case proposeFollowUpTime: return refusalsOf::proposeFollowUpTime;
    case proposeLovableBuild: return refusalsOf::proposeLovableBuild;
    case publicStats: return refusalsOf::publicStats;
    case putBrainNotifications: return refusalsOf::putBrainNotifications;
    case putPersona: return refusalsOf::putPersona;
    case putRules: return refusalsOf::putRules;
    case putSettings: return refusalsOf::putSettings;
    case reactToMessage: return refusalsOf::reactToMessage;
    case readDocumentWhole: return refusalsOf::readDocumentWhole;
    case recall: return refusalsOf::recall;
    case recordSiteEvents: return refusalsOf::recordSiteEvents;
    case refreshSession: return refusalsOf::refreshSession;
    case regenerateDraft: return refusalsOf::regenerateDraft;
    case registerDevice: return refusalsOf::registerDevice;
    case registerFeatureInterest: return refusalsOf::registerFeatureInterest;
    case relationshipMetrics: return refusalsOf::relationshipMetrics;
    case relayAttachmentBytes: return refusalsOf::relayAttachmentBytes;
    case relayHeartbeat: return refusalsOf::relayHeartbeat;
    case rememberFact: return refusalsOf::rememberFact;
    case removeCardFile: return refusalsOf::removeCardFile;
    case removeIdentity: return refusalsOf::removeIdentity;
    case renameContact: return refusalsOf::renameContact;
    case reportBrowserCommand: return refusalsOf::reportBrowserCommand;
    case reportRelayJob: return refusalsOf::reportRelayJob;
    case requestEmailChange: return refusalsOf::requestEmailChange;
    case requestGmailAccess: return refusalsOf::requestGmailAccess;
    case resetChannelPersona: return refusalsOf::resetChannelPersona;
    case resolveFollowUp: return refusalsOf::resolveFollowUp;
    case resumeDrafting: return refusalsOf::resumeDrafting;
    case resumeFollowUpRun: return refusalsOf::resumeFollowUpRun;
    case retrySend: return refusalsOf::retrySend;
    case revokeBrainGrant: return refusalsOf::revokeBrainGrant;
    case revokeDevice: return refusalsOf::revokeDevice;
    case revokeOtherSessions: return refusalsOf::revokeOtherSessions;
    case revokeSeat: return refusalsOf::revokeSeat;
    case revokeSession: return refusalsOf::revokeSession;
    case saveBrainTurn: return refusalsOf::saveBrainTurn;
    case searchBrainThread: return refusalsOf::searchBrainThread;
    case seenThread: return refusalsOf::seenThread;
    case send: return refusalsOf::send;
    case setAiConsent: return refusalsOf::setAiConsent;
    case setBrainMission: return refusalsOf::setBrainMission;
    case setBrainTaskStatus: return refusalsOf::setBrainTaskStatus;
    case setContactAvatar: return refusalsOf::setContactAvatar;
    case setMacPermissionMode: return refusalsOf::setMacPermissionMode;
    case setMissionTicks: return refusalsOf::setMissionTicks;
    case setOnboardingStep: return refusalsOf::setOnboardingStep;
    case setValueRate: return refusalsOf::setValueRate;
    case snooze: return refusalsOf::snooze;
    case splitContact: return refusalsOf::splitContact;
    case startCheckout: return refusalsOf::startCheckout;
    case startExport: return refusalsOf::startExport;
    case startExtraUsageCheckout: return refusalsOf::startExtraUsageCheckout;
    case startPairing: return refusalsOf::startPairing;
    case startTotpEnrolment: return refusalsOf::startTotpEnrolment;
    case startVoiceConnect: return refusalsOf::startVoiceConnect;
    case steer: return refusalsOf::steer;
    case stopBrowserCommand: return refusalsOf::stopBrowserCommand;
    case stopFollowUpRun: return refusalsOf::stopFollowUpRun;
    case stopMacRun: return refusalsOf::stopMacRun;
    case streamBrainChat: return refusalsOf::streamBrainChat;
    case stripeWebhook: return refusalsOf::stripeWebhook;
    case submitEnquiry: return refusalsOf::submitEnquiry;
    case submitFeedback: return refusalsOf::submitFeedback;
    case subscribeWebPush: return refusalsOf::subscribeWebPush;
    case testAgentSummons: return refusalsOf::testAgentSummons;
    case threadBrain: return refusalsOf::threadBrain;
    case threadShared: return refusalsOf::threadShared;
    case transcribe: return refusalsOf::transcribe;
    case unbindThreadFromProject: return refusalsOf::unbindThreadFromProject;
    case undoPlacedReply: return refusalsOf::undoPlacedReply;
    case unsubscribe: return refusalsOf::unsubscribe;
    case unsubscribeWebPush: return refusalsOf::unsubscribeWebPush;
    case updateAgentSettings: return refusalsOf::updateAgentSettings;
    case updateBrainChat: return refusalsOf::updateBrainChat;
    case updateChannel: return refusalsOf::updateChannel;
    case updateFollowUp: return refusalsOf::updateFollowUp;
    case updateProfile: return refusalsOf::updateProfile;
    case updateThread: return refusalsOf::updateThread;
    case uploadDocument: return refusalsOf::uploadDocument;
    case uploadDocumentDirect: return refusalsOf::uploadDocumentDirect;
    case uploadInboundAttachment: return refusalsOf::uploadInboundAttachment;
    case uploadOutgoingFile: return refusalsOf::uploadOutgoingFile;
    case valueHistory: return {};
    case valueMetrics: return {};
    case verifyMagicLink: return refusalsOf::verifyMagicLink;
    case voiceConnectCallback: return refusalsOf::voiceConnectCallback;
    case voiceSamples: return refusalsOf::voiceSamples;
    case webHandoff: return refusalsOf::webHandoff;
    case webPushKey: return {};
    }
    return {};
}

const std::array<TarvoEndpoint, TarvoEndpoint::caseCount>& TarvoEndpoint::allCases() {
    static constexpr std::array<TarvoEndpoint, caseCount> cases{
        abandonRelayJob,
        aboutAddFile,
        aboutAddLink,
        aboutLibrary,
        aboutRemoveItem,
        aboutSaveRules,
        acceptLegal,
        acceptSeat,
        activateTotp,
        addBrainTask,
        addCalendarEvent,
        adminAccount,
        adminAccountCharges,
        adminAudience,
        adminAudit,
        adminBeta,
        adminBilling,
        adminBrowsing,
        adminCampaigns,
        adminCohorts,
        adminControls,
        adminCreateCampaign,
        adminCreateDiscountCode,
        adminDecideGmailRequest,
        adminDecideReferral,
        adminDeleteDiscount,
        adminDemand,
        adminDeveloperApi,
        adminDiscounts,
        adminEconomics,
        adminElite,
        adminExportCsv,
        adminExtendTrial,
        adminFeedback,
        adminFollowUpKinds,
        adminForceResync,
        adminFunnel,
        adminGmailRequests,
        adminGrantCredit,
        adminInbound,
        adminIssueRefund,
        adminKillConnector,
        adminOverview,
        adminPointTikTokWebhook,
        adminPublicStats,
        adminPublishStat,
        adminPulse,
        adminQuality,
        adminReferrals,
        adminReliability,
        adminRenameDiscount,
        adminRevokeCredit,
        adminSendCampaign,
        adminSetAccountInternal,
        adminSetDiscountCodeActive,
        adminSetFeedbackState,
        adminSetFlag,
        adminSetInboundState,
        adminSetMarketingSuppression,
        adminSupport,
        adminTraffic,
        adminUsage,
        adminUser,
        adminUsers,
        adminValue,
        adminWrongMe,
        aiConsent,
        apiAcknowledgeDelivery,
        apiAddKnowledge,
        apiBusinessProfile,
        apiCreateChannel,
        apiDeleteKnowledge,
        apiGenerateDraft,
        apiIngestMessage,
        apiKnowledgePassages,
        apiKnowledgeUpload,
        apiListChannels,
        apiListKnowledge,
        apiReadDraft,
        apiReadKnowledge,
        apiRefreshKnowledge,
        apiSaveBusinessProfile,
        apiUpdateKnowledge,
        apiUsage,
        apiWallet,
        applyImport,
        approveBrowserStep,
        approveFollowUpRun,
        askBrain,
        attachmentContent,
        attachmentPreview,
        attachmentsZip,
        authProviders,
        authorizeChannel,
        billingState,
        bindThreadToProject,
        brainActivity,
        brainChat,
        brainChatHistory,
        brainMission,
        brainNotifications,
        brainNow,
        brainRuleCards,
        brainSearch,
        brainTasks,
        brainThread,
        browserLive,
        browserPaneClose,
        browserPaneCurrent,
        browserPaneDriver,
        browserPaneHold,
        browserPaneOpen,
        browserPaneTicket,
        browserPowers,
        browserSessions,
        bulkUpdateThreads,
        capturePolicy,
        channelAvailability,
        channelConnectCallback,
        claimRelayJobs,
        clearBrainChat,
        clearBrainMission,
        composeMessage,
        composeTargets,
        confirmEmailChange,
        connectChannel,
        connectChannelOnThisDevice,
        contactAvatar,
        correctFact,
        correctPersonaField,
        createBrainChat,
        createDetail,
        createFact,
        createRecoveryCodes,
        decideBrainNotificationCard,
        decideBrainRuleCard,
        decideHeldAct,
        decidePairing,
        decideSamePerson,
        declineFollowUpRun,
        deleteAccount,
        deleteBrainChat,
        deleteBrainDay,
        deleteBrainExchange,
        deleteDetail,
        deleteDocument,
        deleteThread,
        developerAddKnowledgeLink,
        developerBootstrap,
        developerCreateChannel,
        developerCreateKey,
        developerDeleteKey,
        developerDeleteKnowledge,
        developerDeleteWebhook,
        developerKnowledge,
        developerKnowledgeUploadUrl,
        developerListChannels,
        developerListKeys,
        developerOverview,
        developerRefreshKnowledge,
        developerRetryWebhookEvent,
        developerRevokeKey,
        developerRotateWebhookSecret,
        developerSaveAutoRefill,
        developerSaveBusinessProfile,
        developerSaveWebhook,
        developerStartRefill,
        developerTestWebhook,
        developerUpdateChannel,
        developerUpdateKnowledge,
        developerWallet,
        developerWebhook,
        dictate,
        disableTotp,
        disconnectChannel,
        dismiss,
        dismissMissionProposal,
        documentReading,
        documentUploadStatus,
        documentUploadTicket,
        draftReply,
        editFollowUpRun,
        emitEvents,
        eraseContact,
        extraUsage,
        extractPersona,
        followUpRuns,
        followUpSource,
        forgetBrowserSession,
        forgetFact,
        forgetFromStatement,
        getAgentSettings,
        getCard,
        getContact,
        getFollowUp,
        getFollowUpRun,
        getMacPermissions,
        getMacRun,
        getPanel,
        getPersona,
        getPersonaProfile,
        getReferral,
        getReferralLink,
        getRules,
        getSettings,
        getUsage,
        getVoiceCorpus,
        gmailAccess,
        hideMessage,
        ingest,
        ingestMessageEvents,
        inviteSeat,
        legalStatus,
        listAllFacts,
        listAllPersonas,
        listBrainChats,
        listChannels,
        listContacts,
        listDetails,
        listDevices,
        listDocuments,
        listFacts,
        listFollowUps,
        listIdentities,
        listMacRuns,
        listOutbox,
        listSamePerson,
        listSeats,
        listSessions,
        listThreadMessages,
        listThreads,
        liveTicket,
        lookupThread,
        lovableConnect,
        lovableConnectCallback,
        lovableConnections,
        lovableDisconnect,
        lovableProjectRuns,
        lovableProjects,
        lovableWorkspace,
        macOperatorNext,
        macOperatorRunStopped,
        macOperatorStepFile,
        macOperatorStepFileState,
        macOperatorStepResult,
        macStepScreen,
        macStepThumbnail,
        magicLink,
        markSendFailureSurfaced,
        mcp,
        mcpAuthorize,
        mcpConnectionRevoke,
        mcpConnections,
        mcpConsent,
        mcpConsentDecide,
        mcpRegister,
        mcpRevoke,
        mcpToken,
        mergeContacts,
        messageSearch,
        missionNoteDone,
        newBrainTopic,
        oauthExchange,
        oauthSignIn,
        openBillingPortal,
        panelSession,
        pendingPairing,
        personaExtractStatus,
        planImport,
        pollPairing,
        pressMacStep,
        previewCalendarEvent,
        proposeFollowUpRun,
        proposeFollowUpTime,
        proposeLovableBuild,
        publicStats,
        putBrainNotifications,
        putPersona,
        putRules,
        putSettings,
        reactToMessage,
        readDocumentWhole,
        recall,
        recordSiteEvents,
        refreshSession,
        regenerateDraft,
        registerDevice,
        registerFeatureInterest,
        relationshipMetrics,
        relayAttachmentBytes,
        relayHeartbeat,
        rememberFact,
        removeCardFile,
        removeIdentity,
        renameContact,
        reportBrowserCommand,
        reportRelayJob,
        requestEmailChange,
        requestGmailAccess,
        resetChannelPersona,
        resolveFollowUp,
        resumeDrafting,
        resumeFollowUpRun,
        retrySend,
        revokeBrainGrant,
        revokeDevice,
        revokeOtherSessions,
        revokeSeat,
        revokeSession,
        saveBrainTurn,
        searchBrainThread,
        seenThread,
        send,
        setAiConsent,
        setBrainMission,
        setBrainTaskStatus,
        setContactAvatar,
        setMacPermissionMode,
        setMissionTicks,
        setOnboardingStep,
        setValueRate,
        snooze,
        splitContact,
        startCheckout,
        startExport,
        startExtraUsageCheckout,
        startPairing,
        startTotpEnrolment,
        startVoiceConnect,
        steer,
        stopBrowserCommand,
        stopFollowUpRun,
        stopMacRun,
        streamBrainChat,
        stripeWebhook,
        submitEnquiry,
        submitFeedback,
        subscribeWebPush,
        testAgentSummons,
        threadBrain,
        threadShared,
        transcribe,
        unbindThreadFromProject,
        undoPlacedReply,
        unsubscribe,
        unsubscribeWebPush,
        updateAgentSettings,
        updateBrainChat,
        updateChannel,
        updateFollowUp,
        updateProfile,
        updateThread,
        uploadDocument,
        uploadDocumentDirect,
        uploadInboundAttachment,
        uploadOutgoingFile,
        valueHistory,
        valueMetrics,
        verifyMagicLink,
        voiceConnectCallback,
        voiceSamples,
        webHandoff,
        webPushKey,
    };
    return cases;
}

} // namespace tarvo
