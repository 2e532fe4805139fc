// The JavaScript face of the module: a Transition between two pictures,
// its settings by name, and its frames as ImageData. Linked into the module
// (emcc --post-js), so it runs inside the module's factory and sees Module.
//
//   const tweenery = await createTweenery();
//   const t = new tweenery.Transition({operation: 'Roll', modifier: 'up'});
//   t.setPictures(fromImageData, toImageData);
//   context.putImageData(t.frameAt(0.5, 'ease-in-out'), 0, 0);
//   tweenery.operations()  // the 28 operations in display order, with what each reads
//
// Every failure throws a tweenery.TweeneryError; the module stays usable.
//
// emcc 3.1's minifier garbles destructuring, so this file does without it.

class TweeneryError extends Error {
  constructor(message) {
    super(message);
    this.name = 'TweeneryError';
  }
}

// The settings a Transition takes and the Core setter each one goes to.
const kSettingSetters = {
  operation: (core, v) => core.setOperation(String(v)),
  modifier: (core, v) => core.setModifier(String(v)),
  reverse: (core, v) => (core.setReverse(Boolean(v)), true),
  delta: (core, v) => core.setDelta(Number(v)),
  rgbOrder: (core, v) => core.setRGBOrder(String(v)),
  color: (core, v) => core.setColor(colorValue(v)),
  seed: (core, v) => core.setSeed(seedText(v)),
};

// '#rrggbb' as the component's 0x00BBGGRR; null or undefined: none (the
// From picture's top-left pixel).
function colorValue(color) {
  if (color === null || color === undefined || color === '') return -1;
  const match = /^#([0-9a-f]{6})$/i.exec(String(color));
  if (!match) throw new TweeneryError(`colour '${color}': give #rrggbb`);
  const rgb = parseInt(match[1], 16);
  return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

// A seed as decimal text: a safe integer, a BigInt or digits.
function seedText(seed) {
  if (typeof seed === 'bigint') return seed.toString();
  if (typeof seed === 'number') {
    if (!Number.isSafeInteger(seed) || seed < 0) throw new TweeneryError(`seed ${seed}: a whole number from 0`);
    return String(seed);
  }
  return String(seed);
}

function makeImageData(view, width, height) {
  const data = new Uint8ClampedArray(view);  // a copy: the view is the module's memory
  if (typeof ImageData === 'function') return new ImageData(data, width, height);
  return {data, width, height};
}

// Cores are freed with their Transition; one the page forgets is freed
// when the Transition is collected.
const coreRegistry = typeof FinalizationRegistry === 'function' ? new FinalizationRegistry((core) => core.delete()) : null;

class Transition {
  constructor(settings = {}) {
    this._core = new Module['Core']();
    if (coreRegistry) coreRegistry.register(this, this._core, this);
    this.set(settings);
  }

  // Frees the module's memory for this transition; it cannot be used after.
  delete() {
    if (!this._core) return;
    if (coreRegistry) coreRegistry.unregister(this);
    this._core.delete();
    this._core = null;
  }

  // Any of operation, modifier, reverse, delta, rgbOrder, color and seed.
  set(settings) {
    for (const name of Object.keys(settings)) {
      const value = settings[name];
      const setter = kSettingSetters[name];
      if (!setter) throw new TweeneryError(`unknown setting '${name}' (${Object.keys(kSettingSetters).join(', ')})`);
      this._checked((core) => setter(core, value));
    }
    return this;
  }

  // Two pictures as ImageData (or anything with width, height and RGBA
  // data); the To picture is fitted to the From picture's size.
  setPictures(from, to) {
    this._setPicture(false, from);
    this._setPicture(true, to);
    return this;
  }

  // Windows bitmap files (their bytes) as the pictures, read by the
  // component's own decoder.
  setBitmapFiles(from, to) {
    this._setBitmapFile(false, from);
    this._setBitmapFile(true, to);
    return this;
  }

  get width() { return this._call((core) => core.frameWidth()); }
  get height() { return this._call((core) => core.frameHeight()); }
  // The CurrentFrame that ends the transition: frames 0 to frameCount.
  get frameCount() { return this._checked((core) => core.frameCount()); }

  // The CurrentFrame at a progress (0 to 1) through an easing curve
  // (linear, ease, ease-in, ease-out, ease-in-out, cubic-bezier(...), steps(n)).
  frameAtProgress(progress, easing = 'linear') {
    return this._checked((core) => core.frameAtProgress(Number(progress), String(easing)));
  }
  // The frame at a CurrentFrame. The random operations draw on from the
  // frame composed before; restart() begins their run again from the seed.
  frame(currentFrame) { return this._image((core) => core.frame(Number(currentFrame))); }
  frameAt(progress, easing = 'linear') { return this.frame(this.frameAtProgress(progress, easing)); }
  restart() { this._checked((core) => core.restart()); return this; }

  // A run of count frames evenly spaced in time through an easing curve, as
  // `tweenery render --duration D --fps F --easing E` writes one (count =
  // D x F): runFrame(i) is the tool's frame i, runAt(p) its `--at p`.
  setRun(count, easing = 'linear') {
    this._checked((core) => core.setRun(Number(count), String(easing)));
    return this;
  }
  get runCount() { return this._checked((core) => core.runCount()); }
  runCurrentFrameOf(index) { return this._checked((core) => core.runCurrentFrameOf(Number(index))); }
  runFrame(index) { return this._image((core) => core.runFrame(Number(index))); }
  runAt(progress) { return this._image((core) => core.runAt(Number(progress))); }

  _setPicture(to, picture) {
    if (!picture || !picture.data || !(picture.width > 0) || !(picture.height > 0))
      throw new TweeneryError('a picture is an ImageData (width, height and RGBA data)');
    const width = picture.width, height = picture.height, data = picture.data;
    if (data.length !== width * height * 4)
      throw new TweeneryError(`a picture of ${width} x ${height} needs ${width * height * 4} bytes, not ${data.length}`);
    const room = this._checked((core) => core.pictureBuffer(width, height));
    room.set(data);
    this._checked((core) => core.setPicture(to));
  }

  _setBitmapFile(to, bytes) {
    const file = bytes instanceof Uint8Array ? bytes : new Uint8Array(bytes);
    const room = this._checked((core) => core.pictureBuffer(1, Math.max(1, Math.ceil(file.length / 4))));
    room.set(file);
    this._checked((core) => core.setBitmapFile(to, file.length));
  }

  _image(compose) {
    const view = this._checked(compose);
    return makeImageData(view, this._core.frameWidth(), this._core.frameHeight());
  }

  _call(body) {
    if (!this._core) throw new TweeneryError('the transition was deleted');
    return body(this._core);
  }

  // Runs body and throws the failure it reported.
  _checked(body) {
    const result = this._call(body);
    const error = this._core.takeError();
    if (error) throw new TweeneryError(error);
    return result;
  }
}

Module['Transition'] = Transition;
Module['TweeneryError'] = TweeneryError;
