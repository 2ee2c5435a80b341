// Opens one conversation, found by its ref and never by its name, in the chat list of WhatsApp
// Web; answers one JSON text. Whatever the outcome, the list is left unfiltered and at its top.
return (async () => {
  const want = "{{want}}";
  const searchName = "{{name}}";

  // The bounded waits: pages of the list walk, polls of the name search and of the confirmation.
  const WALK_PAGES = 60;
  const WALK_PAUSE_MS = 260;
  const SEARCH_POLLS = 25;
  const SEARCH_PAUSE_MS = 200;
  const CONFIRM_POLLS = 40;
  const CONFIRM_PAUSE_MS = 100;

  const wait = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
  const first = (selectors, within = document) => {
    for (const selector of selectors) {
      const found = within.querySelector(selector);
      if (found) return found;
    }
    return null;
  };
  const refPattern = /^\d{5,25}(-\d+)?@(c\.us|s\.whatsapp\.net|g\.us|lid)$/;
  const preferredPattern = /@(c\.us|g\.us)$/;

  const tarvoFiber = (el) => {
    const key = Object.keys(el).find((name) => name.startsWith('__reactFiber$'));
    return key ? el[key] : null;
  };
  const tarvoChatModel = (el) => {
    let fiber = tarvoFiber(el);
    for (let level = 0; fiber && level < 24; level += 1, fiber = fiber.return) {
      const chat = fiber.memoizedProps && fiber.memoizedProps.chat;
      if (chat && (chat.__x_id || chat.id)) return chat;
    }
    return null;
  };
  const tarvoJid = (v) => (typeof v === 'string' && refPattern.test(v) ? v : null);
  const serialized = (id) => (id && typeof id === 'object' ? id._serialized : id);
  const tarvoChatRef = (el) => {
    const chat = tarvoChatModel(el);
    if (!chat) return null;
    const id = tarvoJid(serialized(chat.__x_id || chat.id));
    const history = tarvoJid(serialized(chat.__x_historyChatId));
    const preferred = [id, history].find((ref) => ref && preferredPattern.test(ref));
    return preferred || id || history;
  };
  const tarvoJidFrom = (v) => {
    if (typeof v === 'string') return tarvoJid(v);
    if (!v || typeof v !== 'object') return null;
    const inner = v.__x_id || v.id;
    return tarvoJid(v._serialized) || (typeof inner === 'string' ? tarvoJid(inner) : tarvoJid(serialized(inner)));
  };
  const tarvoRefFromNode = (start, keys) => {
    let fiber = tarvoFiber(start);
    const sawFiber = Boolean(fiber);
    for (let level = 0; fiber && level < 40; level += 1, fiber = fiber.return) {
      const byKey = tarvoJid(fiber.key);
      if (byKey) return { ref: byKey, strategy: 'key', sawFiber };
      const props = fiber.memoizedProps;
      if (!props || typeof props !== 'object') continue;
      for (const name of ['chat', 'chatId', 'jid', 'id', 'contact']) {
        const byProp = tarvoJidFrom(props[name]);
        if (byProp) return { ref: byProp, strategy: 'prop', sawFiber };
      }
      if (level < 8) {
        for (const name of Object.keys(props)) if (keys.size < 20) keys.add(name);
      }
    }
    return { ref: null, strategy: 'none', sawFiber };
  };
  const tarvoChatRefDeep = (row) => {
    const keys = new Set();
    let sawFiber = false;
    const answer = (ref, strategy) => ({ ref, strategy, keys: [...keys], sawFiber: sawFiber || ref !== null });
    const fromNode = (el) => {
      const found = tarvoRefFromNode(el, keys);
      sawFiber = sawFiber || found.sawFiber;
      return found;
    };
    const own = tarvoChatRef(row);
    if (own) return answer(own, 'chat');
    const node = fromNode(row);
    if (node.ref) return answer(node.ref, node.strategy);
    const cell = row.querySelector('div[data-testid="cell-frame-container"]');
    if (cell) {
      const inCell = tarvoChatRef(cell) || fromNode(cell).ref;
      if (inCell) return answer(inCell, 'cell');
    }
    for (const el of Array.from(row.querySelectorAll('div,span,img')).slice(0, 40)) {
      const below = fromNode(el);
      if (below.ref) return answer(below.ref, 'descendant');
    }
    return answer(null, 'none');
  };

  const chatList = () => first(['#pane-side', 'div[data-testid="chat-list"]', '[aria-label="Chat list"]']);
  const rowsInList = () => {
    const list = chatList();
    return list ? Array.from(list.querySelectorAll('[role="row"]')) : [];
  };
  const openTarget = (row) =>
    first(['div[data-testid="cell-frame-container"]', '[role="gridcell"]', 'div[role="button"]'], row) || row;
  const press = (el) => {
    const box = el.getBoundingClientRect();
    const at = { clientX: box.left + box.width / 2, clientY: box.top + box.height / 2 };
    for (const type of ['pointerdown', 'mousedown', 'pointerup', 'mouseup', 'click']) {
      const init = { bubbles: true, cancelable: true, composed: true, view: window, button: 0, buttons: 1, detail: 1, ...at };
      el.dispatchEvent(type.startsWith('pointer') ? new PointerEvent(type, init) : new MouseEvent(type, init));
    }
  };
  const openRef = () => {
    const main = document.querySelector('#main');
    return main ? tarvoChatRef(main) : null;
  };

  if (openRef() === want) return JSON.stringify({ ok: true, openedRef: want, alreadyOpen: true });
  const firstRows = rowsInList();
  if (firstRows.length === 0) return JSON.stringify({ ok: false, reason: 'no_chat_list', rows: 0 });

  const how = { chat: 0, key: 0, prop: 0, cell: 0, descendant: 0, none: 0 };
  const propKeys = new Set();
  const seen = new Set();
  let anyFiber = false;
  const findAmong = (rows) => {
    let target = null;
    for (const row of rows) {
      const found = tarvoChatRefDeep(row);
      how[found.strategy] += 1;
      anyFiber = anyFiber || found.sawFiber;
      if (found.strategy === 'none') for (const name of found.keys) if (propKeys.size < 20) propKeys.add(name);
      if (found.ref) seen.add(found.ref);
      if (found.ref === want && !target) target = row;
    }
    return target;
  };

  const searchBoxes = [
    '#side div[contenteditable="true"][role="textbox"]',
    '#side div[contenteditable="true"][data-tab="3"]',
    'div[contenteditable="true"][data-tab="3"]',
    '#side input[type="text"]',
    'input[aria-label*="earch"]',
    '[aria-label="Search input textbox"]',
  ];
  const setSearchText = (box, text) => {
    box.focus();
    if (box instanceof HTMLInputElement) {
      Object.getOwnPropertyDescriptor(HTMLInputElement.prototype, 'value').set.call(box, text);
      box.dispatchEvent(new Event('input', { bubbles: true }));
    } else {
      document.execCommand('selectAll', false, null);
      if (text) document.execCommand('insertText', false, text);
      else document.execCommand('delete', false, null);
    }
  };
  const searchResultRows = () =>
    Array.from(document.querySelectorAll('#pane-side [role="row"], #side [role="row"], ' +
      '[aria-label*="earch results"] [role="row"], [aria-label*="earch results"] [role="listitem"]'));

  // A virtualised list scrolled away from its top, or left filtered, would hide new chats from the
  // next capture; a conversation found by walking is pressed before the list goes back up.
  let searchBox = null;
  const putTheListBack = (notFound) => {
    if (searchBox) {
      try {
        setSearchText(searchBox, '');
      } catch (ignored) {}
      if (notFound) {
        try {
          searchBox.dispatchEvent(new KeyboardEvent('keydown', { key: 'Escape', bubbles: true }));
        } catch (ignored) {}
      }
    }
    try {
      const row = rowsInList()[0];
      let scroller = row ? row.parentElement : null;
      while (scroller && !(scroller.scrollHeight > scroller.clientHeight &&
        /auto|scroll/.test(getComputedStyle(scroller).overflowY))) scroller = scroller.parentElement;
      if (scroller) scroller.scrollTop = 0;
      else if (row) row.scrollIntoView({ block: 'start' });
    } catch (ignored) {}
  };

  const openIt = async () => {
    let target = findAmong(firstRows);
    let pages = 0;
    let grew = 0;
    for (let page = 0; !target && page < WALK_PAGES; page += 1) {
      const visible = rowsInList();
      if (visible.length === 0) break;
      const before = seen.size;
      visible[visible.length - 1].scrollIntoView({ block: 'end' });
      await wait(WALK_PAUSE_MS);
      target = findAmong(rowsInList());
      pages += 1;
      if (seen.size > before) grew += 1;
      if (seen.size === before) break;
    }

    const searched = { tried: false, box: false, rows: 0 };
    if (!target && searchName) {
      searched.tried = true;
      try {
        searchBox = first(searchBoxes);
        if (searchBox) {
          searched.box = true;
          setSearchText(searchBox, searchName);
          for (let poll = 0; !target && poll < SEARCH_POLLS; poll += 1) {
            await wait(SEARCH_PAUSE_MS);
            const results = searchResultRows();
            searched.rows = results.length;
            target = findAmong(results);
          }
        }
      } catch (ignored) {}
    }

    if (!target) {
      const digits = (ref) => ref.replace(/\D/g, '');
      const sameNumber = digits(want) !== '' && [...seen].some((ref) => digits(ref) === digits(want));
      return {
        ok: false, reason: 'not_in_list', rows: firstRows.length, walked: seen.size, pages, grew, sameNumber,
        how, propKeys: [...propKeys], anyFiber, searched, want,
      };
    }
    const pressTarget = openTarget(target);
    if (!pressTarget) return { ok: false, reason: 'no_press_target' };
    // Given up on by the companion: opening a chat marks it read, so nothing is pressed late.
    if (window.tarvoStop === true) return { ok: false, reason: 'stopped' };
    press(pressTarget);
    for (let poll = 0; poll < CONFIRM_POLLS; poll += 1) {
      await wait(CONFIRM_PAUSE_MS);
      if (openRef() === want) return { ok: true, openedRef: want, alreadyOpen: false, viaSearch: searchBox !== null };
    }
    return { ok: false, reason: 'opened_the_wrong_chat', openedRef: openRef() };
  };

  let outcome = null;
  try {
    outcome = await openIt();
    return JSON.stringify(outcome);
  } finally {
    putTheListBack(outcome !== null && outcome.reason === 'not_in_list');
  }
})();
