// The status page of `arx-host serve` in headless Chromium, as a person uses it: it goes
// live, the ban scenario's button brings a ban onto the page, a feedback entry is
// dismissed with its button, and a screenshot is kept. scripts/test-browser starts the
// server and passes its address (ARX_SERVE_URL) and the screenshot's path (ARX_SCREENSHOT).
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { launchChromium } from './chromium.mjs';

const url = process.env.ARX_SERVE_URL;
const screenshot = process.env.ARX_SCREENSHOT;
const TIMEOUT = 15000;

let browser;
let page;
const problems = [];  // console errors and uncaught exceptions of the page

before(async () => {
  assert.ok(url, 'ARX_SERVE_URL names the server');
  browser = await launchChromium();
  page = browser.page;
  page.setDefaultTimeout(TIMEOUT);
  page.on('console', (message) => {
    if (message.type() !== 'error') return;
    // The plugin answers 404 for what it does not hold (no ban yet): the page expects that.
    if (/status of 404/.test(message.text())) return;
    problems.push(`console: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
});

after(async () => {
  await browser?.close();
});

test('the page goes live and shows no standing yet', async () => {
  await page.goto(url);
  await page.locator('#stream[data-state="live"]').waitFor();
  assert.equal(await page.locator('#ban .none').textContent(), 'No ban');
  assert.equal(await page.locator('#reporter-feedback .none').textContent(), 'No feedback');
  await page.locator('button[data-example="ban-at-login"]').waitFor();
});

test('the ban scenario\'s button brings the ban onto the page', async () => {
  await page.click('button[data-example="ban-at-login"]');
  await page.locator('#scenario-result', { hasText: 'ban-at-login:' }).waitFor();
  assert.match(await page.locator('#scenario-result').textContent(), /all held/);
  // The last ban of the scenario: a forced shutdown for leaving games.
  await page.locator('#ban dd[data-field="reason"]', { hasText: 'Leaver' }).waitFor();
  assert.equal(await page.locator('#ban dd[data-field="source"]').textContent(), 'ForcedShutdown');
  assert.ok(await page.locator('#ban').evaluate((card) => card.classList.contains('active')));
  // The event log shows the changes as they came.
  assert.ok(await page.locator('#events li').count() >= 4);
});

test('a feedback entry is dismissed with its button', async () => {
  await page.click('button[data-example="login-data-packet"]');
  await page.locator('#scenario-result', { hasText: 'login-data-packet:' }).waitFor();
  const entry = page.locator('#reporter-feedback li[data-id]').first();
  await entry.waitFor();
  const id = await entry.getAttribute('data-id');
  assert.match(await entry.textContent(), /tribunal\.cheating\.feedback/);
  // The standing the packet carries is on the page too.
  await page.locator('#ranked-restriction dd[data-field="gamesRemaining"]', { hasText: '2' }).waitFor();
  await page.locator('#reform-card dd[data-field="punishmentType"]', { hasText: 'CHAT_RESTRICTION' }).waitFor();
  await page.locator('#session dd[data-field="phase"]', { hasText: 'None' }).waitFor();

  await page.click(`#reporter-feedback button[data-dismiss="${id}"]`);
  await page.locator(`#reporter-feedback li[data-id="${id}"]`).waitFor({ state: 'detached' });
  await page.locator('#scenario-result', { hasText: `Feedback #${id} dismissed` }).waitFor();
  // The plugin no longer holds it.
  const status = await page.evaluate(async (entryId) =>
    (await fetch(`/arx-player-behavior/v1/reporter-feedback/${entryId}`, { method: 'DELETE' })).status, id);
  assert.equal(status, 404);
});

test('a page opened after the scenarios shows the events and steps that came before it', async () => {
  const late = await browser.newPage();
  late.setDefaultTimeout(TIMEOUT);
  late.on('pageerror', (error) => problems.push(`late page error: ${error.message}`));
  try {
    await late.goto(url);
    await late.locator('#stream[data-state="live"]').waitFor();
    await late.locator('#events li[data-type="step"]', { hasText: 'ban-at-login' }).waitFor();
    await late.locator('#events li[data-type="event"]', { hasText: '"reason":"Leaver"' }).first().waitFor();
    // The same story as the page that watched it happen, newest first, each message once.
    const watched = await page.locator('#events li').allTextContents();
    assert.deepEqual(await late.locator('#events li').allTextContents(), watched);
    // Times and flags are shown for people.
    assert.match(await late.locator('#ban dd[data-field="timeUntilBanExpires"]').textContent(), /^\d{4}-\d\d-\d\d \d\d:\d\d UTC \(|^no end$/);
    assert.match(await late.locator('#ban dd[data-field="isPermaBan"]').textContent(), /^(yes|no)$/);
  } finally {
    await late.close();
  }
});

test('a screenshot is kept and the page reported no errors', async () => {
  if (screenshot) await page.screenshot({ path: screenshot, fullPage: true });
  assert.deepEqual(problems, []);
});
