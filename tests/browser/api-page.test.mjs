// The OpenAPI document of `arx-host serve` (GET /openapi.json) against what the server
// answers, and the API page (/api) in headless Chromium. Every answer the plugin gives here
// is validated against the document's schema for its operation and status, so the document
// cannot drift from the server. scripts/test-browser starts the server (ARX_SERVE_URL) and
// names the screenshot (ARX_API_SCREENSHOT).
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import Ajv2020 from 'ajv/dist/2020.js';
import { chromium } from 'playwright-core';

const url = new URL(process.env.ARX_SERVE_URL || 'http://127.0.0.1:8780/');
const screenshot = process.env.ARX_API_SCREENSHOT;
const TIMEOUT = 15000;
const FEEDBACK = '/arx-player-behavior/v1/reporter-feedback';

let document;
let context;
let page;
let profile;
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
  profile = mkdtempSync(join(tmpdir(), 'arx-chromium-'));
  context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.ARX_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    viewport: { width: 1280, height: 1000 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-quic',
      '--no-first-run', '--disable-component-update', '--disable-sync'],
  });
  page = context.pages()[0] || await context.newPage();
  page.setDefaultTimeout(TIMEOUT);
  page.on('console', (message) => {
    // The page's "try it" of a refused call logs its status: that is what it shows.
    if (message.type() === 'error' && !/status of (400|404|500)/.test(message.text())) problems.push(message.text());
  });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
});

after(async () => {
  await context?.close();
  if (profile) rmSync(profile, { recursive: true, force: true });
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

test('a screenshot of the API page is kept and the page reported no errors', async () => {
  if (screenshot) await page.screenshot({ path: screenshot, fullPage: true });
  assert.deepEqual(problems, []);
});
