// After the companion's own key press into WhatsApp's media editor: whether the file left, told
// as the attachment script tells it (its look stays on the page for this). Answers one JSON text;
// a page without that look, such as one loaded since, cannot say.
const POLL_MS = 200;
const GONE_POLLS = 40;

const wait = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const gone = window.tarvoMediaGone;
if (typeof gone !== 'function') return JSON.stringify({ gone: false, known: false });
for (let poll = 0; poll < GONE_POLLS; poll += 1) {
  await wait(POLL_MS);
  if (gone()) return JSON.stringify({ gone: true, known: true });
}
return JSON.stringify({ gone: false, known: true });
