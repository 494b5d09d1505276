// The plugin's REST functions as its OpenAPI document (GET /openapi.json) describes them:
// each with its parameters and answers, and a form that calls it on this server (same
// origin, so the server's Origin rule lets it through). Plain script, no build step.
'use strict';

const REF = '#/components/schemas/';

// A schema as a short type text: "BanNotification", "ReporterFeedback[]", "uint64".
function typeText(schema) {
  if (!schema) return 'nothing';
  if (schema.$ref) return schema.$ref.slice(REF.length);
  if (schema.anyOf) return schema.anyOf.map(typeText).join(' | ');
  if (schema.type === 'array') return `${typeText(schema.items)}[]`;
  if (schema.type === 'object' && schema.additionalProperties && typeof schema.additionalProperties === 'object') {
    return `map<string, ${typeText(schema.additionalProperties)}>`;
  }
  if (schema.enum) return schema.enum.join(' | ');
  return schema.format || schema.type || 'any';
}

function typeLink(schema) {
  const text = typeText(schema);
  const name = schema && (schema.$ref || (schema.items && schema.items.$ref));
  return name ? el('a', { href: `#type-${name.slice(REF.length)}` }, text) : el('code', {}, text);
}

// Calls the operation with the form's values; shows the status and the answer's body.
async function tryIt(event, method, path, parameters) {
  event.preventDefault();
  const form = event.target;
  const output = form.querySelector('.answer');
  let url = path;
  const query = new URLSearchParams();
  const headers = {};
  for (const parameter of parameters) {
    const value = form.elements[parameter.name].value;
    if (value === '' && !parameter.required) continue;
    if (parameter.in === 'path') url = url.replace(`{${parameter.name}}`, encodeURIComponent(value));
    else if (parameter.in === 'header') headers[parameter.name] = value;
    else query.append(parameter.name, value);
  }
  if ([...query].length) url += `?${query}`;
  output.dataset.state = 'calling';
  try {
    const response = await fetch(url, { method: method.toUpperCase(), headers });
    const text = await response.text();
    let shown = text;
    try { shown = JSON.stringify(JSON.parse(text), null, 2); } catch { /* not JSON: shown as it came */ }
    output.replaceChildren(
      el('span', { class: 'status', 'data-status': response.status }, `${response.status} ${method.toUpperCase()} ${url}`),
      el('pre', {}, shown || '(no body)'));
    output.dataset.state = response.ok ? 'ok' : 'failed';
  } catch (error) {
    output.replaceChildren(el('span', { class: 'status' }, `The call failed: ${error.message}`));
    output.dataset.state = 'failed';
  }
}

function operationCard(path, method, operation) {
  const parameters = operation.parameters || [];
  const answers = el('dl');
  for (const [status, answer] of Object.entries(operation.responses || {})) {
    const schema = answer.content && answer.content['application/json'] && answer.content['application/json'].schema;
    answers.append(el('dt', {}, status), el('dd', {}, typeLink(schema), ` ${answer.description}`));
  }
  const form = el('form', { onsubmit: (event) => tryIt(event, method, path, parameters) });
  for (const parameter of parameters) {
    form.append(el('label', {}, `${parameter.name} (${parameter.in}, ${typeText(parameter.schema)}`
      + `${parameter.required ? '' : ', optional'})`, el('input', { name: parameter.name, ...(parameter.required ? { required: '' } : {}) })));
  }
  form.append(el('button', { type: 'submit', class: 'try' }, 'Try it'), el('div', { class: 'answer', 'data-state': 'idle' }));
  return el('article', { class: 'card operation', 'data-operation': operation.operationId, 'data-method': method },
    el('h2', {}, el('span', { class: `method ${method}` }, method.toUpperCase()), ' ', el('code', {}, path)),
    el('p', { class: 'none' }, operation.description || operation.summary || ''),
    answers, form);
}

function typeCard(name, schema) {
  const body = el('dl');
  if (schema.enum) {
    body.append(el('dt', {}, 'values'), el('dd', {}, schema.enum.join(', ')));
  } else {
    const required = new Set(schema.required || []);
    for (const [field, fieldSchema] of Object.entries(schema.properties || {})) {
      body.append(el('dt', {}, field), el('dd', {}, typeLink(fieldSchema), required.has(field) ? '' : ' (optional)'));
    }
  }
  return el('article', { class: 'card type-card', id: `type-${name}` }, el('h2', {}, name),
    el('p', { class: 'none' }, schema.description || ''), body);
}

async function main() {
  const main = $('#operations');
  try {
    const document_ = await (await fetch('/openapi.json')).json();
    $('#title').textContent = `${document_.info.title} ${document_.info.version}: REST API`;
    const cards = [];
    for (const [path, item] of Object.entries(document_.paths)) {
      for (const [method, operation] of Object.entries(item)) cards.push(operationCard(path, method, operation));
    }
    main.replaceChildren(...cards);
    const schemas = document_.components.schemas;
    $('#types').replaceChildren(...Object.keys(schemas).map((name) => typeCard(name, schemas[name])));
    main.dataset.state = 'ready';
  } catch (error) {
    main.replaceChildren(el('p', { class: 'result failed' }, `Cannot read /openapi.json: ${error.message}`));
    main.dataset.state = 'failed';
  }
}

main();
