// The player's standing as the plugin serves it: read once from its REST functions, then
// kept up to date from its event stream (GET /events). Plain script, no build step.
'use strict';

const API = '/arx-player-behavior/v1';
const RESOURCES = {
  ban: `${API}/ban`,
  chat: `${API}/chat-restriction`,
  ranked: `${API}/ranked-restriction`,
  reform: `${API}/reform-card`,
  reformV2: '/arx-player-behavior/v2/reform-card',
  config: `${API}/config`,
};
const FEEDBACK = `${API}/reporter-feedback`;
const GAME_FLOW = '/arx-gameflow/v1/session';
const LOGIN = '/arx-login/v1/session';

const state = { resources: {}, feedback: new Map(), siblings: {} };

// An epoch time in milliseconds as a date and what is left of it: "2100-01-01 00:00 UTC (in
// 27,000 days)"; 0 is no end.
function untilText(ms) {
  if (!ms) return 'no end';
  const date = new Date(ms).toISOString().replace('T', ' ').slice(0, 16);
  const left = ms - Date.now();
  const units = [['day', 86400000], ['hour', 3600000], ['minute', 60000]];
  const [unit, size] = units.find(([, length]) => Math.abs(left) >= length) || ['minute', 60000];
  const count = Math.round(Math.abs(left) / size).toLocaleString('en');
  const span = `${count} ${unit}${count === '1' ? '' : 's'}`;
  return `${date} UTC (${left >= 0 ? `in ${span}` : `${span} ago`})`;
}

const SHOWN_AS = { timeUntilBanExpires: untilText };

function shown(key, value) {
  if (SHOWN_AS[key]) return SHOWN_AS[key](value);
  if (typeof value === 'boolean') return value ? 'yes' : 'no';
  return Array.isArray(value) ? value.join(', ') : value;
}

function fields(object, names) {
  const list = el('dl');
  for (const [label, key] of names) {
    const value = object[key];
    if (value === undefined || value === null || value === '') continue;
    list.append(el('dt', {}, label), el('dd', { 'data-field': key }, shown(key, value)));
  }
  return list;
}

function fill(id, content, tone) {
  const card = document.getElementById(id);
  card.classList.toggle('active', tone === 'active');
  card.classList.toggle('notice', tone === 'notice');
  card.querySelector('.body').replaceChildren(content);
}

const none = (text) => el('p', { class: 'none' }, text);

function render() {
  const { ban, chat, ranked, reform, reformV2, config } = state.resources;
  fill('ban', ban ? fields(ban, [['Reason', 'reason'], ['Source', 'source'], ['Permanent', 'isPermaBan'],
    ['Until', 'timeUntilBanExpires'], ['Reform card', 'displayReformCard'], ['Id', 'id']]) : none('No ban'),
    ban ? 'active' : '');
  fill('chat-restriction', chat ? fields(chat, [['Games left', 'gamesRemaining'], ['Source', 'source'],
    ['Reform card', 'displayReformCard'], ['Id', 'id']]) : none('Chat is not restricted'), chat ? 'notice' : '');
  fill('ranked-restriction', ranked ? fields(ranked, [['Games left', 'gamesRemaining'], ['Source', 'source'],
    ['Reform card', 'displayReformCard'], ['Id', 'id']]) : none('Ranked games are not restricted'),
    ranked ? 'notice' : '');

  const cards = el('div');
  if (reform) {
    cards.append(el('h3', {}, 'Version 1'), fields(reform, [['Type', 'punishmentType'], ['Reason', 'reason'],
      ['Message', 'playerFacingMessage'], ['Games', 'punishmentLengthGames'], ['Chat logs', 'chatLogs']]));
  }
  if (reformV2) {
    cards.append(el('h3', {}, 'Version 2'), fields(reformV2, [['Type', 'punishmentType'],
      ['Reason', 'punishmentReason'], ['Message', 'playerFacingMessage'], ['Games', 'punishmentLengthGames']]));
  }
  fill('reform-card', reform || reformV2 ? cards : none('No reform card'), reform || reformV2 ? 'notice' : '');

  const entries = [...state.feedback.values()].sort((a, b) => a.id - b.id);
  const list = el('ul', { class: 'feedback' });
  for (const entry of entries) {
    list.append(el('li', { 'data-id': entry.id }, el('span', {}, `#${entry.id} ${entry.type}`),
      el('button', { type: 'button', 'data-dismiss': entry.id, onclick: () => dismiss(entry.id) }, 'Dismiss')));
  }
  fill('reporter-feedback', entries.length ? list : none('No feedback'), entries.length ? 'notice' : '');

  const gameFlow = state.siblings[GAME_FLOW];
  const login = state.siblings[LOGIN];
  fill('session', fields({
    v2: config ? String(config.ReformCardV2Enabled) : 'not received',
    phase: gameFlow ? gameFlow.phase : 'no session',
    login: login ? login.state : 'no session',
  }, [['Reform card v2', 'v2'], ['Game-flow phase', 'phase'], ['Login', 'login']]));
}

async function getJson(uri) {
  const response = await fetch(uri, { headers: { Accept: 'application/json' } });
  return response.ok ? response.json() : null;
}

async function loadAll() {
  const entries = await Promise.all(Object.entries(RESOURCES).map(async ([key, uri]) => [key, await getJson(uri)]));
  for (const [key, value] of entries) state.resources[key] = value;
  const feedback = await getJson(FEEDBACK);
  state.feedback = new Map((feedback || []).map((entry) => [entry.id, entry]));
  await loadSiblings();
}

async function loadSiblings() {
  state.siblings = (await getJson('/host/siblings')) || {};
  render();
}

function applyEvent(event) {
  const { uri, eventType, data } = event;
  if (!uri) return;
  const gone = eventType === 'Delete';
  if (uri.startsWith(FEEDBACK)) {
    const id = uri.slice(FEEDBACK.length + 1);
    if (id === '') {
      // The visible list as a whole.
      state.feedback = new Map((gone || !Array.isArray(data) ? [] : data).map((entry) => [entry.id, entry]));
    } else if (gone) {
      state.feedback.delete(Number(id));
    } else if (data && data.id) {
      state.feedback.set(data.id, data);
    }
    return render();
  }
  for (const [key, resource] of Object.entries(RESOURCES)) {
    if (resource === uri) state.resources[key] = gone ? null : data;
  }
  render();
}

// The event log, newest first: what the stream brings, and on opening what the server
// kept from before (GET /host/events), so a page opened after a scenario tells its story.
// Stream ids order the two and keep a message from showing twice.
const LOG_LENGTH = 300;
const logged = new Map();

function logMessage(id, type, data) {
  if (!Number.isFinite(id) || logged.has(id)) return;
  if (type === 'host') {
    logged.set(id, el('li', { 'data-type': 'step' }, el('span', { class: 'type' }, 'step'), data.ran));
  } else {
    if (data.name !== 'OnJsonApiEvent') return;  // each change comes twice: once under its own name
    const text = data.uri ? `${data.uri} ${data.data === null ? '' : JSON.stringify(data.data)}` : JSON.stringify(data.data);
    logged.set(id, el('li', { 'data-type': 'event' }, el('span', { class: 'type' }, data.eventType || 'event'), text));
  }
  const ids = [...logged.keys()].sort((a, b) => b - a);
  for (const old of ids.slice(LOG_LENGTH)) logged.delete(old);
  $('#events').replaceChildren(...ids.slice(0, LOG_LENGTH).map((key) => logged.get(key)));
}

async function loadHistory() {
  for (const message of (await getJson('/host/events')) || []) logMessage(message.id, message.type, message.data);
}

async function dismiss(id) {
  const response = await fetch(`${FEEDBACK}/${id}`, { method: 'DELETE' });
  const result = $('#scenario-result');
  result.classList.toggle('failed', !response.ok);
  result.textContent = response.ok ? `Feedback #${id} dismissed` : `Dismissing #${id}: ${(await response.json()).message}`;
}

async function runExample(name, button) {
  const result = $('#scenario-result');
  button.disabled = true;
  try {
    const response = await fetch('/host/scenario', {
      method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify({ example: name }),
    });
    const answer = await response.json();
    if (!response.ok) throw new Error(answer.message);
    result.classList.toggle('failed', !answer.held);
    result.textContent = `${name}: ${answer.steps.length} steps, ${answer.expectations} expectations, ` +
      (answer.held ? 'all held' : `${answer.unmet} did not hold (the plugin's state was not fresh?)`);
  } catch (error) {
    result.classList.add('failed');
    result.textContent = `${name}: ${error.message}`;
  } finally {
    button.disabled = false;
  }
}

async function loadExamples() {
  const examples = (await getJson('/host/examples')) || [];
  const buttons = $('#scenario-buttons');
  for (const example of examples) {
    const button = el('button', { type: 'button', 'data-example': example.name, title: example.description }, example.name);
    button.addEventListener('click', () => runExample(example.name, button));
    buttons.append(button);
  }
}

function follow() {
  const stream = new EventSource('/events');
  const badge = $('#stream');
  stream.onopen = () => {
    badge.dataset.state = 'live';
    badge.textContent = 'live';
    // Whatever changed while the stream was down is read again.
    loadAll();
    loadHistory();
  };
  stream.onerror = () => {
    badge.dataset.state = 'down';
    badge.textContent = 'reconnecting…';
  };
  stream.onmessage = (message) => {
    const event = JSON.parse(message.data);
    // Each change is fired under its own name and again as OnJsonApiEvent: apply it once.
    if (event.name !== 'OnJsonApiEvent') return;
    applyEvent(event);
    logMessage(Number(message.lastEventId), 'message', event);
  };
  // The host's notes: a control step or scenario ran, so the siblings' state moved.
  stream.addEventListener('host', (message) => {
    logMessage(Number(message.lastEventId), 'host', JSON.parse(message.data));
    loadSiblings();
  });
}

render();
loadExamples();
follow();
