// The live gallery as a reader meets it, in headless Chromium: the table of
// contents and 28 cards, cards that play (two screenshots 300 ms apart
// differ), and for several settings a "copy command" whose command, run with
// the native tool at the card's frame, renders the very frame the card shows.
// A copy without the module must fall back to the GIFs.
//
//   node check-gallery.mjs LIVE_GALLERY GIF_GALLERY TOOL WORK_DIR
import {execFileSync} from 'node:child_process';
import {mkdirSync, readdirSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {join} from 'node:path';
import {pathToFileURL} from 'node:url';
import {Chromium} from './chromium.mjs';

const [liveGallery, gifGallery, tool, work] = process.argv.slice(2);
let failures = 0;
function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures++;
}

// FNV-1a over RGBA bytes, as selftest.js and FrameHashes.cpp hash frames.
function fnv(bytes) {
  let hash = 2166136261;
  for (let i = 0; i < bytes.length; i++) hash = Math.imul(hash ^ bytes[i], 16777619) >>> 0;
  return hash;
}

// A Windows bitmap the tool wrote (24 or 32 bits, either row order) as RGBA.
function bitmapRGBA(file) {
  const b = readFileSync(file);
  const offset = b.readUInt32LE(10), width = b.readInt32LE(18), rawHeight = b.readInt32LE(22);
  const bits = b.readUInt16LE(28), height = Math.abs(rawHeight);
  const bytesPerPixel = bits / 8, stride = Math.ceil(width * bytesPerPixel / 4) * 4;
  const rgba = new Uint8Array(width * height * 4);
  for (let y = 0; y < height; y++) {
    const row = offset + (rawHeight > 0 ? height - 1 - y : y) * stride;
    for (let x = 0; x < width; x++) {
      const p = row + x * bytesPerPixel, q = 4 * (y * width + x);
      rgba[q] = b[p + 2];
      rgba[q + 1] = b[p + 1];
      rgba[q + 2] = b[p];
      rgba[q + 3] = 255;
    }
  }
  return {width, height, rgba};
}

// Sets the page's controls as a reader would and lets the cards take them.
async function setControls(page, values) {
  await page.evaluate(`(() => {
    const values = ${JSON.stringify(values)};
    for (const [id, value] of Object.entries(values)) {
      const input = document.getElementById(id);
      if (input.type === 'checkbox') input.checked = value; else input.value = value;
      input.dispatchEvent(new Event('change'));
    }
  })()`);
}

// What a card shows: its frame index, the command its button gives and the
// hash of its canvas.
async function cardState(page, name) {
  return page.evaluate(`(async () => {
    const card = gallery.cards.find((c) => c.operation.name === ${JSON.stringify(name)});
    card.element.querySelector('.copy').click();
    await new Promise((resolve) => setTimeout(resolve, 50));
    const shown = card.element.querySelector('.command').textContent;
    const canvas = card.canvas;
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let hash = 2166136261;
    for (let i = 0; i < data.length; i++) hash = Math.imul(hash ^ data[i], 16777619) >>> 0;
    return {index: card.index, count: card.count, command: card.command, shown, hash,
            width: canvas.width, height: canvas.height};
  })()`);
}

// Runs the card's command with the native tool for the card's frame.
function nativeFrame(command, index, name, cwd = work) {
  const folder = join(work, name);
  rmSync(folder, {recursive: true, force: true});
  mkdirSync(folder, {recursive: true});
  const words = command.replace(/ -o \S+$/, '');
  if (!words.startsWith('tweenery ')) throw new Error(`not a tweenery command: ${command}`);
  const line = `'${tool}' ${words.slice('tweenery '.length)} --frame ${index} -q -y -o '${folder}/frame%04d.bmp'`;
  execFileSync('sh', ['-c', line], {cwd, stdio: ['ignore', 'inherit', 'inherit']});
  const written = readdirSync(folder).filter((f) => f.endsWith('.bmp'));
  if (written.length !== 1) throw new Error(`the tool wrote ${written.length} frames`);
  return bitmapRGBA(join(folder, written[0]));
}

const kCases = [
  {name: 'Roll', controls: {modifier: 'up', reverse: true, easing: 'ease-in', duration: '1.5'}},
  {name: 'Swarm', controls: {modifier: 'right', reverse: false, delta: '7', easing: 'linear', duration: '0.8'}},
  {name: 'Fade', controls: {corner: false, color: '#ff8800', easing: 'steps(6)', duration: '1.5', delta: ''}},
  {name: 'Blinds', controls: {corner: true, modifier: 'down', easing: 'ease-in-out', duration: '2.5'}},
  {name: 'RandomBars', controls: {modifier: 'left', easing: 'ease-out', duration: '1.5'}},
];

async function checkLive(browser) {
  const page = await browser.open(pathToFileURL(join(liveGallery, 'index.html')).href, {width: 1440, height: 900});
  await page.waitFor('window.gallery && gallery.mode !== "loading" && document.body.classList.contains("ready")');
  check(await page.evaluate('gallery.mode') === 'live', 'the gallery runs live');
  check(await page.evaluate('document.querySelectorAll(".toc-family").length') === 8, 'the contents list 8 families');
  check(await page.evaluate('document.querySelectorAll(".toc-family a:not(.toc-title)").length') === 28,
        'the contents link 28 operations');
  check(await page.evaluate('document.querySelectorAll(".card").length') === 28, '28 cards');
  check(await page.evaluate('[...document.querySelectorAll(".card .text")].every((p) => p.textContent.length > 20)'),
        'every card says what its operation does');
  check(await page.evaluate('[...document.querySelectorAll(".card .api")].every((a) => a.getAttribute("href").startsWith("../html/"))'),
        'every card links to the API reference');
  check(await page.evaluate('document.querySelectorAll(".card.failed").length') === 0, 'no card failed');

  await setControls(page, {play: 'always'});
  await new Promise((resolve) => setTimeout(resolve, 400));
  const first = await page.screenshot();
  await new Promise((resolve) => setTimeout(resolve, 300));
  const second = await page.screenshot();
  writeFileSync(join(work, 'playing-1.png'), first);
  writeFileSync(join(work, 'playing-2.png'), second);
  check(!first.equals(second), 'the cards play: screenshots 300 ms apart differ');
  check(await page.evaluate('document.querySelectorAll(".card.failed").length') === 0, 'no card failed while playing');
  check(await page.evaluate('gallery.cards.every((c) => c.playing)'), 'every card plays with play always');
  await setControls(page, {play: 'hover'});

  for (const c of kCases) {
    await setControls(page, c.controls);
    const state = await cardState(page, c.name);
    check(state.shown.startsWith(state.command), `${c.name}: the card shows the command it copies`);
    try {
      const frame = nativeFrame(state.command, state.index, c.name);
      const same = frame.width === state.width && frame.height === state.height && fnv(frame.rgba) === state.hash;
      check(same, `${c.name}: frame ${state.index} of ${state.count} equals \`${state.command} --frame ${state.index}\``);
    } catch (e) {
      check(false, `${c.name}: ${e.message}`);
    }
  }
  await checkOwnPictures(page);
  check(page.errors.length === 0, `no script errors${page.errors.length ? ': ' + page.errors.join('; ') : ''}`);
}

// Two pictures dropped on the page as a reader drops files: the cards take
// them, their commands name them, and the tool renders the same frames from
// the same files.
async function checkOwnPictures(page) {
  const files = await page.evaluate(`(async () => {
    const make = async (name, tag, width, height) => {
      const canvas = document.createElement('canvas');
      canvas.width = width;
      canvas.height = height;
      const context = canvas.getContext('2d');
      const image = context.createImageData(width, height);
      for (let i = 0; i < width * height; i++) {
        const x = i % width, y = Math.floor(i / width);
        image.data.set([(x * 3 + tag * 60) & 255, (y * 5 + x) & 255, (x ^ y ^ tag * 77) & 255, 255], 4 * i);
      }
      context.putImageData(image, 0, 0);
      const blob = await new Promise((resolve) => canvas.toBlob(resolve, 'image/png'));
      const bytes = new Uint8Array(await blob.arrayBuffer());
      return {file: new File([blob], name, {type: 'image/png'}), base64: btoa(String.fromCharCode(...bytes))};
    };
    const from = await make('from.png', 1, 150, 90), to = await make('to.png', 2, 150, 90);
    const transfer = new DataTransfer();
    transfer.items.add(from.file);
    transfer.items.add(to.file);
    document.getElementById('drop').dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, bubbles: true}));
    return {from: from.base64, to: to.base64};
  })()`);
  await page.waitFor('gallery.pictures.kind === "image"');
  const folder = join(work, 'own');
  mkdirSync(folder, {recursive: true});
  writeFileSync(join(folder, 'from.png'), Buffer.from(files.from, 'base64'));
  writeFileSync(join(folder, 'to.png'), Buffer.from(files.to, 'base64'));
  for (const c of [{name: 'Push', controls: {modifier: 'up', easing: 'linear'}}, {name: 'Swarm', controls: {modifier: 'down'}}]) {
    await setControls(page, c.controls);
    const state = await cardState(page, c.name);
    check(state.command.includes(' from.png to.png ') && state.width === 150 && state.height === 90,
          `${c.name}: the card runs the dropped pictures (${state.width} x ${state.height})`);
    try {
      const frame = nativeFrame(state.command, state.index, `own-${c.name}`, folder);
      check(fnv(frame.rgba) === state.hash, `${c.name}: the dropped pictures' frame ${state.index} equals the tool's`);
    } catch (e) {
      check(false, `${c.name} with dropped pictures: ${e.message}`);
    }
  }
}

async function checkFallback(browser) {
  const page = await browser.open(pathToFileURL(join(gifGallery, 'index.html')).href, {width: 390, height: 844});
  await page.waitFor('window.gallery && gallery.mode !== "loading" && document.body.classList.contains("ready")');
  check(await page.evaluate('gallery.mode') === 'gif', 'without the module the gallery shows GIFs');
  check(await page.evaluate('[...document.querySelectorAll(".card img")].filter((i) => !i.hidden && i.src.endsWith(".gif")).length') === 28,
        'each of the 28 cards shows its GIF');
  check(page.errors.length === 0, `no script errors without the module${page.errors.length ? ': ' + page.errors.join('; ') : ''}`);
}

mkdirSync(work, {recursive: true});
const browser = await Chromium.launch();
try {
  await checkLive(browser);
  await checkFallback(browser);
} catch (e) {
  check(false, e.stack || String(e));
} finally {
  await browser.close();
}
console.log(failures ? `${failures} checks failed` : 'all checks passed');
process.exit(failures ? 1 : 0);
