// The two helpers the status page and the API page build their markup with.
'use strict';

const $ = (selector) => document.querySelector(selector);

// An element with attributes and children; an "on…" attribute holding a function becomes
// that event's listener ("onclick", "onsubmit").
function el(tag, attributes = {}, ...children) {
  const node = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes)) {
    if (name.startsWith('on') && typeof value === 'function') node.addEventListener(name.slice(2), value);
    else node.setAttribute(name, value);
  }
  for (const child of children) node.append(child instanceof Node ? child : String(child));
  return node;
}
