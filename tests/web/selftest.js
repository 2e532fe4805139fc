// Composes every point of TWEENERY_NATIVE_POINTS (points.js, written by the
// native test_web_frame_hashes) with the WebAssembly module and compares the
// frame counts and frame hashes. The result line is "N passed, N failed";
// a failure to load or to run says so instead, so a runner never mistakes it
// for a pass.

// The pixel (x, y) of picture tag, as tests/web/FrameHashes.cpp makes it.
function webPicture(tag, width, height) {
  const picture = new ImageData(width, height);
  const data = picture.data;
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const i = 4 * (y * width + x);
      data[i] = (x * 5 + y * 3 + tag * 40) & 255;
      data[i + 1] = (x * y + tag * 17) & 255;
      data[i + 2] = ((x ^ y) * 3 + tag * 90) & 255;
      data[i + 3] = 255;
    }
  }
  return picture;
}

// FNV-1a over the RGBA bytes.
function frameHash(image) {
  let hash = 2166136261;
  const data = image.data;
  for (let i = 0; i < data.length; i++) hash = Math.imul(hash ^ data[i], 16777619) >>> 0;
  return hash;
}

function describe(point) {
  const where = point.frame !== undefined ? `frame ${point.frame}`
                                          : `at ${point.at} of ${point.count} ${point.easing}`;
  return `${point.operation} ${point.modifier}${point.reverse ? ' reverse' : ''} delta ${point.delta}` +
         ` ${point.rgbOrder} color ${point.color} seed ${point.seed} sizes ${point.sizes.join('x')} ${where}`;
}

function checkPoint(tweenery, transitions, point) {
  const key = point.sizes.join('x');
  let transition = transitions.get(key);
  if (!transition) {
    const [fw, fh, tw, th] = point.sizes;
    transition = new tweenery.Transition().setPictures(webPicture(1, fw, fh), webPicture(2, tw, th));
    transitions.set(key, transition);
  }
  transition.set({operation: point.operation, modifier: point.modifier, reverse: point.reverse,
                  delta: point.delta, rgbOrder: point.rgbOrder, color: point.color, seed: point.seed});
  const frameCount = transition.frameCount;
  if (frameCount !== point.frameCount) return `frame count ${frameCount}, native ${point.frameCount}`;
  let image;
  if (point.frame !== undefined) {
    transition.restart();
    image = transition.frame(point.frame);
  } else {
    image = transition.setRun(point.count, point.easing).runAt(point.at);
  }
  const hash = frameHash(image);
  return hash === point.hash ? null : `hash ${hash}, native ${point.hash}`;
}

// The API's promises about bad input: each throws a TweeneryError, and the
// module goes on composing the right frames afterwards.
function apiChecks(tweenery, point) {
  const results = [];
  const fresh = () => new tweenery.Transition().setPictures(webPicture(1, 20, 10), webPicture(2, 20, 10));
  const throws = (what, body) => {
    try {
      body();
      results.push(`${what}: no error`);
    } catch (e) {
      if (!(e instanceof tweenery.TweeneryError)) results.push(`${what}: ${e.name} instead of TweeneryError`);
    }
  };
  throws('unknown operation', () => fresh().set({operation: 'Wobble'}));
  throws('unknown setting', () => fresh().set({speed: 3}));
  throws('bad modifier', () => fresh().set({modifier: 'sideways'}));
  throws('delta 0', () => fresh().set({delta: 0}));
  throws('bad colour', () => fresh().set({color: '#12'}));
  throws('negative seed', () => fresh().set({seed: -1}));
  throws('seed past 64 bits', () => fresh().set({seed: '18446744073709551616'}));
  throws('frames before pictures', () => new tweenery.Transition().frame(0));
  throws('short picture data', () => new tweenery.Transition().setPictures({width: 4, height: 4, data: new Uint8Array(10)}, webPicture(2, 4, 4)));
  throws('picture beyond the size limit', () => new tweenery.Transition().setPictures({width: 20000, height: 20000, data: {length: 1.6e9}}, webPicture(2, 4, 4)));
  throws('progress past 1', () => fresh().frameAt(1.5));
  throws('negative frame', () => fresh().frame(-1));
  throws('unknown easing', () => fresh().frameAt(0.5, 'wobbly'));
  throws('run frame past the end', () => fresh().setRun(5).runFrame(5));
  throws('run before setRun', () => fresh().runFrame(0));
  throws('deleted transition', () => { const t = fresh(); t.delete(); t.frame(0); });
  try {
    const t = fresh().set({seed: 2n ** 64n - 1n, operation: 'Swarm'});
    t.frame(3);
  } catch (e) {
    results.push(`the largest seed: ${e.message}`);
  }
  // After all that, a point composes as natively.
  try {
    const problem = checkPoint(tweenery, new Map(), point);
    if (problem) results.push(`a point after the errors: ${problem}`);
  } catch (e) {
    results.push(`a point after the errors: ${e.message}`);
  }
  return results;
}

async function runSelfTest() {
  const summary = document.getElementById('summary');
  const failures = document.getElementById('failures');
  try {
    if (typeof TWEENERY_NATIVE_POINTS === 'undefined') throw new Error('points.js (the native hashes) did not load');
    if (typeof createTweenery === 'undefined') throw new Error('tweenery-single.js (the module) did not load');
    const tweenery = await createTweenery();
    const transitions = new Map();
    const operations = new Set();
    let passed = 0, failed = 0;
    const lines = [];
    for (const point of TWEENERY_NATIVE_POINTS) {
      operations.add(point.operation);
      let problem;
      try {
        problem = checkPoint(tweenery, transitions, point);
      } catch (e) {
        problem = `threw ${e.name}: ${e.message}`;
      }
      if (problem) {
        failed++;
        if (lines.length < 50) lines.push(`${describe(point)}: ${problem}`);
      } else {
        passed++;
      }
    }
    for (const transition of transitions.values()) transition.delete();
    const api = apiChecks(tweenery, TWEENERY_NATIVE_POINTS[TWEENERY_NATIVE_POINTS.length - 1]);
    failed += api.length;
    lines.push(...api.map((problem) => `api: ${problem}`));
    failures.textContent = lines.join('\n');
    summary.textContent = `${passed} passed, ${failed} failed (${operations.size} operations)`;
  } catch (e) {
    summary.textContent = `self-test error: ${e.message}`;
  }
}

runSelfTest();
