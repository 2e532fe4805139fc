// The live gallery: a card per operation, each a Transition of the
// WebAssembly module playing the run `tweenery render` would write with the
// same settings; without the module, the GIFs `tweenery gallery` rendered.
//
// Scripts before this one: operations.js (families and texts), pictures.js
// (the built-in pair as Windows bitmap bytes), api-links.js (anchors of the
// API reference, when it was built) and tweenery-single.js (the module).
'use strict';

const kFps = 30;             // the tool's default frame rate
const kHoldFrames = 18;      // the last frame stays this long before a card plays again
const kPreviewAt = 0.45;     // where a card that does not play stands
const kToolDefaults = {modifier: 'left', reverse: false, delta: 10, rgbOrder: 'RGB', color: null, seed: 1};

const gallery = {
  mode: 'loading',          // 'live', 'gif' or 'loading'
  tweenery: null,
  cards: [],
  pictures: null,           // {kind: 'bitmap', from, to} or {kind: 'image', from, to, names}
};
window.gallery = gallery;   // for the page's own checks (tests/web)

const $ = (id) => document.getElementById(id);

// ---------------------------------------------------------------- settings

function controls() {
  const delta = parseInt($('delta').value, 10);
  return {
    play: $('play').value,
    modifier: $('modifier').value,
    reverse: $('reverse').checked,
    delta: delta >= 1 ? delta : null,
    duration: Number($('duration').value),
    easing: $('easing').value,
    color: $('corner').checked ? null : $('color').value,
  };
}

// The settings a card runs with: the controls where the operation reads
// them, the tool's defaults elsewhere, so the card and its command agree.
function cardSettings(operation, c) {
  const s = Object.assign({operation: operation.name}, kToolDefaults);
  if (operation.readsModifier) s.modifier = c.modifier;
  if (operation.readsReverse) s.reverse = c.reverse;
  if (operation.readsDelta) s.delta = c.delta || operation.presetDelta || kToolDefaults.delta;
  if (operation.readsColor) s.color = c.color;
  return s;
}

// A word as the shell takes it.
function shellWord(word) {
  return /^[A-Za-z0-9._\/:=-]+$/.test(word) ? word : `'${word.replace(/'/g, `'\\''`)}'`;
}

// The command that renders the card's run; frame i of the card is its
// --frame i.
function commandOf(operation, s, c, pictureNames) {
  const words = ['tweenery', 'render'];
  if (pictureNames) words.push(pictureNames[0], pictureNames[1]);
  words.push('--operation', operation.name);
  if (operation.readsModifier) words.push('--modifier', s.modifier);
  if (operation.readsReverse && s.reverse) words.push('--reverse');
  if (operation.readsDelta) words.push('--delta', String(s.delta));
  if (operation.readsColor && s.color) words.push('--color', s.color);
  if (operation.usesRandom) words.push('--seed', String(s.seed));
  words.push('--duration', String(c.duration), '--fps', String(kFps), '--easing', c.easing);
  words.push('-o', `${operation.name.toLowerCase()}.mp4`);
  return words.map(shellWord).join(' ');
}

// ---------------------------------------------------------------- cards

class Card {
  constructor(operation, element) {
    this.operation = operation;
    this.element = element;
    this.canvas = element.querySelector('canvas');
    this.image = element.querySelector('img');
    this.position = element.querySelector('.position');
    this.transition = null;
    this.count = 0;          // frames of the run
    this.index = -1;         // the frame shown
    this.playing = false;
    this.visible = true;
    this.start = 0;
    this.command = '';
  }

  // Takes the controls and the pictures again, and shows the preview frame.
  configure(c) {
    const s = cardSettings(this.operation, c);
    this.command = commandOf(this.operation, s, c, gallery.pictures && gallery.pictures.names);
    if (gallery.mode !== 'live') return this.showGif(c);
    try {
      if (!this.transition) this.transition = new gallery.tweenery.Transition();
      const pictures = gallery.pictures;
      if (this.picturesSet !== pictures) {
        if (pictures.kind === 'bitmap') this.transition.setBitmapFiles(pictures.from, pictures.to);
        else this.transition.setPictures(pictures.from, pictures.to);
        this.picturesSet = pictures;
        this.canvas.width = this.transition.width;
        this.canvas.height = this.transition.height;
      }
      this.transition.set({operation: s.operation, modifier: s.modifier, reverse: s.reverse, delta: s.delta,
                           rgbOrder: s.rgbOrder, color: s.color, seed: s.seed});
      this.transition.setRun(Math.max(1, Math.round(c.duration * kFps)), c.easing);
      this.count = this.transition.runCount;
      this.element.classList.remove('failed');
      this.index = -1;
      this.show(this.playing ? 0 : Math.round(kPreviewAt * (this.count - 1)));
    } catch (e) {
      this.element.classList.add('failed');
      this.position.textContent = e.message;
    }
  }

  showGif(c) {
    // `tweenery gallery` names its GIFs operation[-modifier][-reverse].gif.
    const base = `gifs/${this.operation.name.toLowerCase()}`;
    const tail = c.reverse ? '-reverse.gif' : '.gif';
    this.canvas.hidden = true;
    this.image.hidden = false;
    this.image.alt = `${this.operation.name}, pre-rendered`;
    this.image.onerror = () => { this.image.onerror = null; this.image.src = base + tail; };
    this.image.src = `${base}-${c.modifier}${tail}`;
    this.position.textContent = 'GIF';
  }

  show(index) {
    if (index === this.index || !this.transition) return;
    this.index = index;
    this.canvas.getContext('2d').putImageData(this.transition.runFrame(index), 0, 0);
    this.position.textContent = `frame ${index} of ${this.count}`;
  }

  play(now) {
    this.playing = true;
    this.start = now;
    this.element.classList.add('playing');
  }

  stop() {
    this.playing = false;
    this.element.classList.remove('playing');
    if (gallery.mode === 'live' && this.count) this.show(Math.round(kPreviewAt * (this.count - 1)));
  }

  // Frame of the run at time now; the last frame holds before the next round.
  tick(now) {
    if (!this.playing || !this.visible || !this.count) return;
    // A frame's time stamp may lie a little before the moment play began.
    const elapsed = Math.max(0, now - this.start);
    const step = Math.floor(elapsed * kFps / 1000) % (this.count + kHoldFrames);
    try {
      this.show(Math.min(step, this.count - 1));
    } catch (e) {
      this.playing = false;
      this.element.classList.add('failed');
      this.position.textContent = e.message;
    }
  }
}

function apiLink(operation) {
  const links = typeof GALLERY_API_LINKS === 'object' ? GALLERY_API_LINKS : {};
  const name = `FX${operation.name}`;
  return `../html/${links[name] || 'namespacetweenery.html'}`;
}

function buildPage(operations) {
  const toc = $('toc'), families = $('families'), template = $('card');
  for (const family of GALLERY_FAMILIES) {
    const members = operations.filter((o) => (GALLERY_OPERATIONS[o.name] || ['patterns'])[0] === family.id);
    const entry = document.createElement('div');
    entry.className = 'toc-family';
    entry.innerHTML = `<a class="toc-title" href="#${family.id}">${family.title}</a>`;
    const section = document.createElement('section');
    section.id = family.id;
    section.className = 'family';
    section.innerHTML = `<h2>${family.title}</h2><p>${family.text}</p><div class="cards"></div>`;
    for (const operation of members) {
      const link = document.createElement('a');
      link.href = `#op-${operation.name}`;
      link.textContent = operation.name;
      entry.appendChild(link);

      const element = template.content.firstElementChild.cloneNode(true);
      element.id = `op-${operation.name}`;
      element.querySelector('.name').textContent = operation.name;
      element.querySelector('.anchor').href = `#op-${operation.name}`;
      element.querySelector('.anchor').textContent = '#';
      element.querySelector('.text').textContent = (GALLERY_OPERATIONS[operation.name] || ['', ''])[1];
      element.querySelector('.reads').textContent = readsText(operation);
      element.querySelector('.api').href = apiLink(operation);
      section.querySelector('.cards').appendChild(element);
      gallery.cards.push(new Card(operation, element));
    }
    toc.appendChild(entry);
    families.appendChild(section);
  }
}

function readsText(operation) {
  if (!('readsDelta' in operation)) return '';
  const reads = [];
  if (operation.readsModifier) reads.push('modifier');
  if (operation.readsReverse) reads.push('reverse');
  if (operation.readsDelta) reads.push(`delta (preset ${operation.presetDelta || kToolDefaults.delta})`);
  if (operation.readsRGBOrder) reads.push('channel order');
  if (operation.readsColor) reads.push('colour');
  if (operation.usesRandom) reads.push('seed');
  return reads.length ? `Reads ${reads.join(', ')}.` : 'Reads nothing but the pictures.';
}

// ---------------------------------------------------------------- wiring

function configureAll() {
  const c = controls();
  for (const card of gallery.cards) card.configure(c);
  applyPlayMode();
}

function applyPlayMode() {
  const always = controls().play === 'always';
  const now = performance.now();
  for (const card of gallery.cards) {
    if (always && !card.playing) card.play(now);
    if (!always && card.playing && !card.hovered) card.stop();
  }
}

function animate(now) {
  for (const card of gallery.cards) card.tick(now);
  requestAnimationFrame(animate);
}

function wireCards() {
  const observer = typeof IntersectionObserver === 'function'
    ? new IntersectionObserver((entries) => {
      for (const entry of entries) {
        const card = gallery.cards.find((c) => c.element === entry.target);
        if (card) card.visible = entry.isIntersecting;
      }
    }, {rootMargin: '200px'})
    : null;
  for (const card of gallery.cards) {
    if (observer) observer.observe(card.element);
    const stage = card.element.querySelector('.stage');
    stage.addEventListener('pointerenter', (e) => {
      if (e.pointerType !== 'mouse' || controls().play === 'always') return;
      card.hovered = true;
      card.play(performance.now());
    });
    stage.addEventListener('pointerleave', (e) => {
      if (e.pointerType !== 'mouse') return;
      card.hovered = false;
      if (controls().play !== 'always') card.stop();
    });
    // Touch screens have no hover: a tap plays or stops a card.
    stage.addEventListener('click', () => {
      if (controls().play === 'always') return;
      if (card.playing && !card.hovered) card.stop(); else card.play(performance.now());
    });
    card.element.querySelector('.copy').addEventListener('click', () => copyCommand(card));
  }
}

async function copyCommand(card) {
  const code = card.element.querySelector('.command');
  code.textContent = card.index >= 0 ? `${card.command}   # this frame: --frame ${card.index}` : card.command;
  code.hidden = false;
  const button = card.element.querySelector('.copy');
  try {
    await navigator.clipboard.writeText(card.command);
    button.textContent = 'copied';
  } catch (e) {
    // No clipboard (a page from file:// in some browsers): select the text instead.
    const range = document.createRange();
    range.selectNodeContents(code);
    const selection = getSelection();
    selection.removeAllRanges();
    selection.addRange(range);
    button.textContent = 'selected';
  }
  setTimeout(() => { button.textContent = 'copy command'; }, 1500);
}

function wireControls() {
  for (const id of ['modifier', 'reverse', 'delta', 'duration', 'easing', 'color', 'corner']) {
    $(id).addEventListener('change', configureAll);
  }
  $('color').addEventListener('input', () => { $('corner').checked = false; });
  $('play').addEventListener('change', applyPlayMode);
  const drop = $('drop');
  drop.addEventListener('dragover', (e) => { e.preventDefault(); drop.classList.add('over'); });
  drop.addEventListener('dragleave', () => drop.classList.remove('over'));
  drop.addEventListener('drop', (e) => {
    e.preventDefault();
    drop.classList.remove('over');
    usePictureFiles(e.dataTransfer.files);
  });
  $('files').addEventListener('change', (e) => usePictureFiles(e.target.files));
  $('builtin').addEventListener('click', () => {
    gallery.pictures = builtInPictures();
    $('builtin').hidden = true;
    $('drop-text').firstChild.textContent = 'Drop two pictures here, or ';
    configureAll();
  });
}

// ---------------------------------------------------------------- pictures

function hexBytes(hex) {
  const bytes = new Uint8Array(hex.length / 2);
  for (let i = 0; i < bytes.length; i++) bytes[i] = parseInt(hex.substr(2 * i, 2), 16);
  return bytes;
}

function builtInPictures() {
  if (typeof GALLERY_PICTURES !== 'object') throw new Error('pictures.js (the built-in pictures) is missing');
  return {kind: 'bitmap', from: hexBytes(GALLERY_PICTURES.from), to: hexBytes(GALLERY_PICTURES.to), names: null};
}

async function imageDataOf(file, width, height) {
  const bitmap = await createImageBitmap(file);
  const w = width || bitmap.width, h = height || bitmap.height;
  const canvas = document.createElement('canvas');
  canvas.width = w;
  canvas.height = h;
  const context = canvas.getContext('2d');
  context.fillStyle = '#000';
  context.fillRect(0, 0, w, h);
  // Fitted inside the first picture's size, letterboxed, as the tool's --fit contain.
  const scale = Math.min(w / bitmap.width, h / bitmap.height);
  const dw = Math.round(bitmap.width * scale), dh = Math.round(bitmap.height * scale);
  context.drawImage(bitmap, Math.floor((w - dw) / 2), Math.floor((h - dh) / 2), dw, dh);
  return context.getImageData(0, 0, w, h);
}

async function usePictureFiles(fileList) {
  const files = Array.from(fileList || []).filter((f) => f.type.startsWith('image/'));
  const status = $('mode');
  if (files.length < 2) {
    status.textContent = 'Give two pictures: the first is left, the second entered.';
    return;
  }
  if (gallery.mode !== 'live') {
    status.textContent = 'Your own pictures need WebAssembly; the GIFs show the built-in pair.';
    return;
  }
  try {
    const largest = 1280;  // larger pictures are scaled down, to keep 28 cards quick
    const first = await createImageBitmap(files[0]);
    const scale = Math.min(1, largest / Math.max(first.width, first.height));
    const w = Math.max(1, Math.round(first.width * scale)), h = Math.max(1, Math.round(first.height * scale));
    const from = await imageDataOf(files[0], w, h);
    const to = await imageDataOf(files[1], w, h);
    gallery.pictures = {kind: 'image', from, to, names: [files[0].name, files[1].name]};
    $('builtin').hidden = false;
    $('drop-text').firstChild.textContent = `${files[0].name} → ${files[1].name}. Drop others, or `;
    status.textContent = scale < 1 ? `Your pictures, scaled to ${w} x ${h}.` : `Your pictures, ${w} x ${h}.`;
    configureAll();
  } catch (e) {
    status.textContent = `Those pictures could not be read: ${e.message}`;
  }
}

// ---------------------------------------------------------------- start

async function loadModule() {
  if (typeof WebAssembly !== 'object') throw new Error('WebAssembly is off in this browser');
  if (typeof createTweenery !== 'function') throw new Error('the module (tweenery-single.js) is not beside this page');
  return createTweenery();
}

async function start() {
  const status = $('mode');
  let operations;
  try {
    gallery.tweenery = await loadModule();
    gallery.pictures = builtInPictures();
    operations = gallery.tweenery.operations();
    gallery.mode = 'live';
    status.textContent = 'Live: every frame is composed in your browser. Hover a card to play it (tap on a phone).';
  } catch (e) {
    gallery.mode = 'gif';
    operations = Object.keys(GALLERY_OPERATIONS).map((name) => ({name}));
    status.textContent = `Showing the pre-rendered GIFs (${e.message}).`;
    document.body.classList.add('gif-mode');
  }
  buildPage(operations);
  wireCards();
  wireControls();
  configureAll();
  document.body.classList.add('ready');
  requestAnimationFrame(animate);
}

start();
