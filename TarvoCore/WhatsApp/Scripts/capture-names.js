// Display names of a conversation. Part of the capture script; runs in the page's own world.
const TARVO_NOT_A_NAME = [
  'click here for group info', 'click here for contact info', 'tap here for group info',
  'tap here for contact info', 'group info', 'contact info', 'online', 'typing\u2026', 'typing...',
  'last seen recently',
];

// A header also shows presence lines and placeholders where a name would stand; a list of
// participants is a genuine name.
function tarvoLooksLikeAName(candidate) {
  const trimmed = typeof candidate === 'string' ? candidate.trim() : '';
  if (!trimmed) return false;
  const lower = trimmed.toLowerCase();
  if (TARVO_NOT_A_NAME.includes(lower)) return false;
  return !/^last seen\b/.test(lower);
}

function tarvoBestTitle(candidates) {
  for (const candidate of candidates) {
    if (tarvoLooksLikeAName(candidate)) return candidate.trim();
  }
  return '';
}

function tarvoOpenChatTitle() {
  const candidates = [];
  try {
    const open = chatRows().find(isOpen);
    const span = open && open.querySelector('span[title]');
    if (span) candidates.push(span.getAttribute('title'));
  } catch (e) {}
  try {
    const header = document.querySelector('#main header');
    if (header) {
      for (const span of header.querySelectorAll('span[title]')) candidates.push(span.getAttribute('title'));
      const auto = header.querySelector('span[dir="auto"]');
      if (auto) candidates.push(auto.innerText);
    }
  } catch (e) {}
  return tarvoBestTitle(candidates);
}
