// Checks the service endpoint catalogue (TarvoDesign/Endpoints/endpoints.json) against every
// count and shape the catalogue promises, then writes it as C++ constants: the enumeration's
// cases, and one direct selection per case for each column, so nothing is parsed at start.
//
//   node tools/generate-endpoint-catalogue.mjs          writes the two generated files
//   node tools/generate-endpoint-catalogue.mjs --check  fails when they differ from what it would write
import { readFileSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const root = join(dirname(fileURLToPath(import.meta.url)), '..');
const folder = join(root, 'TarvoDesign', 'Endpoints');
const source = join(folder, 'endpoints.json');
const outputs = {
  cases: join(folder, 'TarvoEndpointCases.inc'),
  columns: join(folder, 'TarvoEndpointColumns.cpp'),
};

const expected = {
  cases: 363,
  methods: { GET: 138, POST: 169, PUT: 21, PATCH: 13, DELETE: 22 },
  auths: { user: 266, owner_admin: 55, none: 22, api_key: 17, connector: 2, oauth_client: 1 },
  firstSegments: {
    admin: 55, brain: 48, account: 34, auth: 19, developer: 18, threads: 16, mac: 13, browser: 12,
    contacts: 11, channels: 10, voice: 10, documents: 8, 'follow-ups': 8, lovable: 8, devices: 7, runs: 6,
    cards: 6, relay: 5, billing: 5, mcp: 5, seats: 4, attachments: 4, outbox: 4, oauth: 4, metrics: 4,
    details: 3, agent: 3, messages: 3, ingest: 3, legal: 2, me: 2, import: 2, compose: 2, referral: 2,
    settings: 2, capture: 1, facts: 1, events: 1, panel: 1, usage: 1, stats: 1, site: 1, drafts: 1,
    'feature-interest': 1, onboarding: 1, export: 1, webhooks: 1, contact: 1, feedback: 1, unsubscribe: 1,
  },
  parameters: [
    'threadId', 'runId', 'sourceId', 'cardId', 'followUpId', 'stepId', 'attachmentId', 'channelId', 'contactId',
    'turnId', 'documentId', 'jobId', 'userId', 'commandId', 'paneId', 'deviceId', 'outboxId', 'draftId', 'factId',
    'chatId', 'keyId', 'messageId', 'connectionId', 'projectId', 'itemId', 'view', 'campaignId', 'token', 'index',
    'holdId', 'heldId', 'day', 'detailId', 'environment', 'eventId', 'domain', 'id', 'noteId', 'userCode',
    'identityId', 'seatId', 'sessionId', 'taskId',
  ],
  twoParameterTemplates: 5,
  refusalEntries: 816,
  refusalCodes: 203,
  casesWithoutRefusals: 50,
  mostRefusalsOfOneCase: 27,
  mostUsedCodes: {
    not_found: 192, bad_request: 109, owner_totp_required: 52, unauthorized: 43, rate_limited: 33,
    brain_requires_paid_plan: 21, missing_scope: 17,
  },
};

// Names that C++ keeps for itself cannot name a case or a constant.
const cppKeywords = new Set(('alignas alignof and and_eq asm auto bitand bitor bool break case catch char char8_t ' +
  'char16_t char32_t class compl concept const consteval constexpr constinit const_cast continue co_await ' +
  'co_return co_yield decltype default delete do double dynamic_cast else enum explicit export extern false ' +
  'float for friend goto if inline int long mutable namespace new noexcept not not_eq nullptr operator or ' +
  'or_eq private protected public register reinterpret_cast requires return short signed sizeof static ' +
  'static_assert static_cast struct switch template this thread_local throw true try typedef typeid typename ' +
  'union unsigned using virtual void volatile wchar_t while xor xor_eq').split(' '));

const failures = [];
function check(condition, message) {
  if (!condition) failures.push(message);
}

function tally(values) {
  const counts = {};
  for (const value of values) counts[value] = (counts[value] ?? 0) + 1;
  return counts;
}

function sameCounts(actual, wanted, what) {
  for (const key of new Set([...Object.keys(actual), ...Object.keys(wanted)])) {
    check(actual[key] === wanted[key], `${what} "${key}": ${actual[key] ?? 0} cases, not ${wanted[key] ?? 0}`);
  }
}

// The parameter names of a template, in order; a parameter is named by the letters and digits
// after its colon.
function parametersOf(template) {
  return [...template.matchAll(/:([\p{L}\p{N}]*)/gu)].map((match) => match[1]);
}

function refusalsOf(endpoint, sentences) {
  return endpoint.refusals.map((entry) => {
    const [code, own] = Array.isArray(entry) ? entry : [entry, undefined];
    return { code, sentence: own ?? sentences[code], own: own !== undefined };
  });
}

function checkCatalogue(catalogue) {
  const { endpoints, refusalSentences: sentences } = catalogue;
  check(catalogue.prefix === '/v1', `the prefix is "${catalogue.prefix}", not "/v1"`);
  check(endpoints.length === expected.cases, `${endpoints.length} cases, not ${expected.cases}`);

  const names = endpoints.map((endpoint) => endpoint.name);
  for (let index = 1; index < names.length; index += 1) {
    check(names[index - 1] < names[index], `"${names[index]}" is out of order or repeated after "${names[index - 1]}"`);
  }
  for (const name of names) {
    check(/^[a-z][A-Za-z0-9]*$/.test(name), `the case name "${name}" is not lower camel case`);
    check(!cppKeywords.has(name), `the case name "${name}" is a C++ keyword`);
  }

  sameCounts(tally(endpoints.map((endpoint) => endpoint.method)), expected.methods, 'method');
  sameCounts(tally(endpoints.map((endpoint) => endpoint.auth)), expected.auths, 'auth');
  sameCounts(tally(endpoints.map((endpoint) => endpoint.template.split('/')[1])), expected.firstSegments,
    'first segment');

  const seen = new Set();
  const usedParameters = new Set();
  let twoParameters = 0;
  for (const { name, method, template } of endpoints) {
    const key = `${method} ${template}`;
    check(!seen.has(key), `${name} repeats ${key}`);
    seen.add(key);
    check(template.startsWith('/') && !template.endsWith('/') && !template.includes('//'),
      `${name}: the template "${template}" is not a path of whole segments`);
    for (const segment of template.split('/').slice(1)) {
      if (segment.startsWith(':')) {
        check(/^:[A-Za-z0-9]+$/.test(segment), `${name}: the parameter segment "${segment}" is more than a name`);
      } else {
        check(/^[a-z0-9-]+$/.test(segment), `${name}: the segment "${segment}" holds more than a-z, 0-9 and "-"`);
      }
    }
    const parameters = parametersOf(template);
    check(new Set(parameters).size === parameters.length, `${name} names one parameter twice`);
    check(parameters.length <= 2, `${name} has ${parameters.length} parameters`);
    if (parameters.length === 2) twoParameters += 1;
    for (const parameter of parameters) {
      check(expected.parameters.includes(parameter), `${name}: "${parameter}" is not a parameter name of the catalogue`);
      usedParameters.add(parameter);
    }
  }
  check(twoParameters === expected.twoParameterTemplates, `${twoParameters} templates with two parameters, not 5`);
  for (const parameter of expected.parameters) {
    check(usedParameters.has(parameter), `no template names the parameter "${parameter}"`);
  }

  const codes = Object.keys(sentences);
  check(codes.length === expected.refusalCodes, `${codes.length} refusal codes, not ${expected.refusalCodes}`);
  check(codes.every((code, index) => index === 0 || codes[index - 1] < code), 'the refusal codes are not in order');
  for (const code of codes) {
    check(/^[a-z][a-z0-9_]*$/.test(code) && !cppKeywords.has(code), `the refusal code "${code}" cannot name a constant`);
  }
  const uses = {};
  let entries = 0;
  let withoutRefusals = 0;
  for (const endpoint of endpoints) {
    const refusals = refusalsOf(endpoint, sentences);
    entries += refusals.length;
    if (refusals.length === 0) withoutRefusals += 1;
    check(refusals.length <= expected.mostRefusalsOfOneCase, `${endpoint.name} has ${refusals.length} refusals`);
    check(new Set(refusals.map((refusal) => refusal.code)).size === refusals.length,
      `${endpoint.name} lists one refusal code twice`);
    for (const { code, sentence } of refusals) {
      check(code in sentences, `${endpoint.name}: "${code}" is not a refusal code of the catalogue`);
      check(typeof sentence === 'string' && sentence.length > 0, `${endpoint.name}: "${code}" has no sentence`);
      uses[code] = (uses[code] ?? 0) + 1;
    }
  }
  check(entries === expected.refusalEntries, `${entries} refusal entries, not ${expected.refusalEntries}`);
  check(withoutRefusals === expected.casesWithoutRefusals, `${withoutRefusals} cases without refusals, not 50`);
  check(endpoints.some((endpoint) => endpoint.refusals.length === expected.mostRefusalsOfOneCase),
    'no case has 27 refusals');
  for (const code of codes) check(uses[code] > 0, `the refusal code "${code}" is used by no case`);
  const fewestOfTheMostUsed = Math.min(...Object.values(expected.mostUsedCodes));
  for (const [code, count] of Object.entries(uses)) {
    const wanted = expected.mostUsedCodes[code];
    if (wanted !== undefined) {
      check(count === wanted, `"${code}" is used by ${count} cases, not ${wanted}`);
    } else {
      check(count < fewestOfTheMostUsed, `"${code}" is used by ${count} cases, as often as the most used codes`);
    }
  }
  const allSentences = [...Object.values(sentences), ...endpoints.flatMap((endpoint) =>
    refusalsOf(endpoint, sentences).map((refusal) => refusal.sentence))];
  for (const sentence of allSentences) {
    check(!/:\/\/|www\.|@/.test(sentence), `the sentence "${sentence}" names an address`);
  }
}

function literal(text) {
  return JSON.stringify(text);
}

const banner = (what) =>
  `// ${what}\n// Written by tools/generate-endpoint-catalogue.mjs from endpoints.json: edit that file and run it.\n`;

function selection(endpoints, signature, value) {
  const lines = [`${signature} {`, '    switch (value_) {'];
  for (const endpoint of endpoints) lines.push(`    case ${endpoint.name}: return ${literal(value(endpoint))};`);
  lines.push('    }', '    return {};', '}');
  return lines.join('\n');
}

function generate(catalogue) {
  const { endpoints, refusalSentences: sentences } = catalogue;
  const cases = banner('The cases of TarvoEndpoint, in ascending order of their names.') +
    endpoints.map((endpoint) => `${endpoint.name},\n`).join('');

  const parts = [banner('The columns of TarvoEndpoint, one direct selection per case.'),
    '#include "TarvoDesign/Endpoints/TarvoEndpoint.h"\n',
    'namespace tarvo {\nnamespace {\n',
    '// The sentence of each refusal code, where a case does not word it its own way.',
    'namespace sentence {'];
  for (const [code, sentence] of Object.entries(sentences)) {
    const line = `constexpr std::string_view ${code} = ${literal(sentence)};`;
    parts.push(line.length <= 120 ? line : `constexpr std::string_view ${code} =\n    ${literal(sentence)};`);
  }
  parts.push('} // namespace sentence\n', 'namespace refusalsOf {', 'using Refusal = TarvoEndpoint::Refusal;');
  for (const endpoint of endpoints) {
    const refusals = refusalsOf(endpoint, sentences);
    if (refusals.length === 0) continue;
    const entries = refusals.map(({ code, sentence, own }) =>
      `    {${literal(code)}, ${own ? literal(sentence) : `sentence::${code}`}},`);
    parts.push(`constexpr Refusal ${endpoint.name}[] = {`, ...entries, '};');
  }
  parts.push('} // namespace refusalsOf\n', '} // namespace\n');
  parts.push(selection(endpoints, 'std::string_view TarvoEndpoint::rawValue() const', (endpoint) => endpoint.name), '');
  parts.push(selection(endpoints, 'std::string_view TarvoEndpoint::template_() const', (endpoint) => endpoint.template), '');
  parts.push(selection(endpoints, 'std::string_view TarvoEndpoint::method() const', (endpoint) => endpoint.method), '');
  parts.push(selection(endpoints, 'std::string_view TarvoEndpoint::auth() const', (endpoint) => endpoint.auth), '');
  const refusalLines = ['std::span<const TarvoEndpoint::Refusal> TarvoEndpoint::refusalList() const {',
    '    switch (value_) {'];
  for (const endpoint of endpoints) {
    refusalLines.push(endpoint.refusals.length === 0
      ? `    case ${endpoint.name}: return {};`
      : `    case ${endpoint.name}: return refusalsOf::${endpoint.name};`);
  }
  refusalLines.push('    }', '    return {};', '}');
  parts.push(refusalLines.join('\n'), '');
  const all = ['const std::array<TarvoEndpoint, TarvoEndpoint::caseCount>& TarvoEndpoint::allCases() {',
    '    static constexpr std::array<TarvoEndpoint, caseCount> cases{',
    ...endpoints.map((endpoint) => `        ${endpoint.name},`), '    };', '    return cases;', '}'];
  parts.push(all.join('\n'), '', '} // namespace tarvo', '');
  return { cases, columns: parts.join('\n') };
}

const catalogue = JSON.parse(readFileSync(source, 'utf8'));
checkCatalogue(catalogue);
if (failures.length > 0) {
  for (const failure of failures) console.error(`endpoints.json: ${failure}`);
  process.exit(1);
}
const generated = generate(catalogue);
if (process.argv.includes('--check')) {
  let stale = false;
  for (const [part, file] of Object.entries(outputs)) {
    let current = '';
    try {
      current = readFileSync(file, 'utf8');
    } catch {
      // A missing file differs like any other.
    }
    if (current !== generated[part]) {
      console.error(`${file} differs from what endpoints.json gives: run node tools/generate-endpoint-catalogue.mjs`);
      stale = true;
    }
  }
  process.exit(stale ? 1 : 0);
}
for (const [part, file] of Object.entries(outputs)) writeFileSync(file, generated[part]);
