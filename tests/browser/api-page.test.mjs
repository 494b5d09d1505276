// The OpenAPI document of `arx-host serve` (GET /openapi.json) against what the server
// answers, and the API page (/api) in headless Chromium. Every answer the plugin gives here
// is validated against the document's schema for its operation and status, so the document
// cannot drift from the server. scripts/test-browser starts the server (ARX_SERVE_URL) and
// names the screenshot (ARX_API_SCREENSHOT).
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import Ajv2020 from 'ajv/dist/2020.js';
import { launchChromium } from './chromium.mjs';

const url = new URL(process.env.ARX_SERVE_URL || 'http://127.0.0.1:8780/');
const screenshot = process.env.ARX_API_SCREENSHOT;
// The typed client compiled to JavaScript (scripts/test-browser runs tsc on tests/browser/client/).
const client = process.env.ARX_TYPED_CLIENT;
const TIMEOUT = 15000;
const FEEDBACK = '/arx-player-behavior/v1/reporter-feedback';

let document;
let browser;
let page;
const problems = [];
const ajv = new Ajv2020({ strict: false, validateFormats: false, allErrors: true });

async function call(method, path, init = {}) {
  const response = await fetch(new URL(path, url), { method, ...init });
  const text = await response.text();
  return { status: response.status, body: text === '' ? undefined : JSON.parse(text) };
}

// The operation of the document that takes `method` and `path`.
function operationOf(method, path) {
  for (const [template, item] of Object.entries(document.paths)) {
    const pattern = new RegExp(`^${template.replace(/\{[^}]+\}/g, '[^/]*')}$`);
    if (pattern.test(path) && item[method.toLowerCase()]) return item[method.toLowerCase()];
  }
  return undefined;
}

const validators = new Map();
// Fails with the validator's errors when the answer is not what the document says.
function assertDocumented(method, path, answer) {
  const operation = operationOf(method, path);
  assert.ok(operation, `the document describes ${method} ${path}`);
  const response = operation.responses[String(answer.status)];
  assert.ok(response, `the document lists status ${answer.status} for ${method} ${path}`);
  const schema = response.content?.['application/json']?.schema;
  if (!schema) {
    assert.equal(answer.body, undefined, `${method} ${path} answers without a body`);
    return;
  }
  const key = `${operation.operationId} ${answer.status}`;
  if (!validators.has(key)) {
    validators.set(key, ajv.compile(JSON.parse(JSON.stringify(schema).replaceAll('"#/components/', '"https://arx.invalid/openapi.json#/components/'))));
  }
  const validate = validators.get(key);
  assert.ok(validate(answer.body), `${method} ${path} ${answer.status}: ${ajv.errorsText(validate.errors)}\n${JSON.stringify(answer.body)}`);
}

before(async () => {
  const answer = await call('GET', '/openapi.json');
  assert.equal(answer.status, 200);
  document = answer.body;
  ajv.addSchema({ $id: 'https://arx.invalid/openapi.json', components: document.components });
  browser = await launchChromium();
  page = browser.page;
  page.setDefaultTimeout(TIMEOUT);
  page.on('console', (message) => {
    // The page's "try it" of a refused call logs its status: that is what it shows.
    if (message.type() === 'error' && !/status of (400|404|500)/.test(message.text())) problems.push(message.text());
  });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
});

after(async () => {
  await browser?.close();
});

test('every answer of the plugin is the one its document describes', async () => {
  for (const example of ['ban-at-login', 'login-data-packet']) {
    assert.equal((await call('POST', '/host/scenario', { body: JSON.stringify({ example }) })).status, 200);
  }
  const statuses = new Set();
  const check = async (method, path) => {
    const answer = await call(method, path);
    assertDocumented(method, path, answer);
    statuses.add(answer.status);
    return answer;
  };
  for (const [template, item] of Object.entries(document.paths)) {
    if (!template.includes('{') && item.get) await check('GET', template);
  }
  const feedback = await check('GET', FEEDBACK);
  assert.ok(feedback.body.length > 0, 'the scenarios left reporter feedback');
  const id = feedback.body[0].id;
  await check('GET', `${FEEDBACK}/${id}`);
  await check('DELETE', `${FEEDBACK}/${id}`);
  await check('DELETE', `${FEEDBACK}/${id}`);
  await check('GET', `${FEEDBACK}/not-a-number`);
  await check('DELETE', `${FEEDBACK}/not-a-number`);
  assert.deepEqual([...statuses].sort(), [200, 400, 404]);
});

test('the API page lists every function and its "try it" shows the held ban', async () => {
  await page.goto(new URL('/api', url).href);
  await page.locator('#operations[data-state="ready"]').waitFor();
  const operations = Object.values(document.paths).flatMap((item) => Object.values(item));
  assert.equal(operations.length, 9);
  assert.equal(await page.locator('article.operation').count(), operations.length);
  const held = await call('GET', '/arx-player-behavior/v1/ban');
  assert.equal(held.status, 200);
  const card = page.locator('article.operation[data-operation="GetArxPlayerBehaviorV1Ban"]');
  await card.locator('button.try').click();
  await card.locator('.answer[data-state="ok"]').waitFor();
  assert.match(await card.locator('.status').textContent(), /^200 GET/);
  assert.deepEqual(JSON.parse(await card.locator('.answer pre').textContent()), held.body);
});

test('a bad request through the page shows the plugin\'s message and changes nothing', async () => {
  const before = await call('GET', FEEDBACK);
  const refused = await call('DELETE', `${FEEDBACK}/x1`);
  assert.equal(refused.status, 400);
  const card = page.locator('article.operation[data-operation="DeleteArxPlayerBehaviorV1ReporterFeedbackById"]');
  await card.locator('input[name="id"]').fill('x1');
  await card.locator('button.try').click();
  await card.locator('.answer[data-state="failed"]').waitFor();
  assert.match(await card.locator('.status').textContent(), /^400 DELETE/);
  assert.deepEqual(JSON.parse(await card.locator('.answer pre').textContent()), refused.body);
  assert.deepEqual(await call('GET', FEEDBACK), before);
});

test('the typed client reads the ban, lists and dismisses feedback and follows the stream', { skip: !client }, async () => {
  // The compiled module's exports become globals of the page: same origin, as a front end.
  const source = readFileSync(client, 'utf8').replace(/^export /gm, '');
  await page.addScriptTag({ content: `${source}\nwindow.ArxClient = ArxClient; window.example = example;` });
  const outcome = await page.evaluate(async () => {
    const arx = new window.ArxClient();
    const changes = [];
    const stream = arx.subscribe((event) => changes.push(`${event.eventType} ${event.uri}`));
    await new Promise((resolve) => { stream.onopen = resolve; });
    await fetch('/host/scenario', { method: 'POST', body: JSON.stringify({ example: 'login-data-packet' }) });
    const ban = await arx.ban();
    const before = await arx.reporterFeedback();
    const told = await window.example(arx);
    const after = await arx.reporterFeedback();
    // Dismissed once already by the example: nothing is held there any more.
    const refused = before.ok ? await arx.dismissFeedback(before.value[0].id) : null;
    for (let i = 0; i < 50 && !changes.some((c) => c.startsWith('Delete /arx-player-behavior/v1/reporter-feedback/')); i++) {
      await new Promise((resolve) => setTimeout(resolve, 100));
    }
    stream.close();
    return { ban, before, told, after, refused, changes };
  });
  assert.equal(outcome.ban.ok, true);
  assert.match(outcome.told, new RegExp(`^${outcome.ban.value.reason} \\(${outcome.ban.value.source}\\) for -?\\d+ ms more$`));
  assert.ok(outcome.before.ok && outcome.before.value.length > 0);
  assert.deepEqual(outcome.after.value, outcome.before.value.slice(1));
  assert.equal(outcome.refused.ok, false);
  assert.deepEqual(outcome.refused.error, { httpStatus: 404, message: 'Not found' });
  assert.ok(outcome.changes.includes(`Delete /arx-player-behavior/v1/reporter-feedback/${outcome.before.value[0].id}`),
    outcome.changes.join('\n'));
});

test('a screenshot of the API page is kept and the page reported no errors', async () => {
  if (screenshot) await page.screenshot({ path: screenshot, fullPage: true });
  assert.deepEqual(problems, []);
});
