// The gallery's words about each operation: its family and one line on what
// it does and when it suits. What an operation reads (Delta, Modifier, ...)
// comes from the module itself (operations()).
var GALLERY_FAMILIES = [
  {id: 'slides', title: 'Slides', text: 'The entering picture moves in.'},
  {id: 'wipes', title: 'Wipes', text: 'The entering picture is uncovered in place; nothing moves.'},
  {id: 'zooms', title: 'Zooms', text: 'Pictures grow, shrink or coarsen as a whole.'},
  {id: 'blends', title: 'Blends', text: 'Colours mix: fades, dissolves and exclusive-or shades.'},
  {id: 'channels', title: 'Channels', text: 'Red, green and blue change one at a time.'},
  {id: 'patterns', title: 'Patterns', text: 'Tiles, checkers and spirals uncover the picture.'},
  {id: 'random', title: 'Random', text: 'Bars and pixels in a seeded random order.'},
  {id: 'roll', title: 'Roll', text: 'A sheet unrolled over the picture.'},
];

var GALLERY_OPERATIONS = {
  Push: ['slides', 'The new picture pushes the old one out edge to edge: a plain slide show move.'],
  Glide: ['slides', 'The new picture glides in over the old one, which stays still: a card laid on top.'],
  Slider: ['slides', 'Bands of the new picture slide in from both sides like the teeth of two combs.'],
  MonoSlider: ['slides', 'Every other band slides in, then the gaps are wiped in: a venetian slide.'],
  Crush: ['slides', 'The new picture comes in as two halves that part from the centre or meet there.'],
  MonoReveal: ['wipes', 'One edge sweeps across and uncovers the new picture: the classic wipe.'],
  Reveal: ['wipes', 'Two edges sweep out from the centre line or in from the sides: a barn door.'],
  Strip: ['wipes', 'Interleaved bands are wiped in from opposite sides at once: a busy, quick cut.'],
  Blinds: ['wipes', 'Slats of the new picture widen until they close, like blinds turning.'],
  Iris: ['wipes', 'A rectangle opens from the centre or closes on it: to focus on the middle.'],
  StripedIris: ['wipes', 'Concentric rings, every other one first, then the gaps: a target.'],
  Zoom: ['zooms', 'The old picture shrinks to the centre and the new one grows out of it.'],
  Squeeze: ['zooms', 'The new picture grows from the centre while the old one is squeezed to a frame.'],
  Mosaic: ['zooms', 'The old picture coarsens into blocks, the new one sharpens out of them.'],
  Fade: ['blends', 'Fade to the colour and back in: the gentlest change, good between scenes.'],
  Blend: ['blends', 'A cross-dissolve from one picture into the other.'],
  Replace: ['blends', 'A cut: the new picture replaces the old one at once.'],
  Shade: ['blends', 'An exclusive-or glide in and back out: a psychedelic flash.'],
  ShadeContinue: ['blends', 'An exclusive-or glide that carries on through: a wild pass.'],
  RGB: ['channels', 'The old picture loses its channels one by one, the new one gains them.'],
  RGBBlend: ['channels', 'Channel by channel the old colours become the new ones.'],
  Checkerboard: ['patterns', 'Small squares of the new picture sprinkle in over four frames: a sparkle.'],
  CheckerBlinds: ['patterns', 'Slats grow in a checkerboard: a tiled, mechanical wipe.'],
  Spiral: ['patterns', 'In every tile the new picture winds out from the centre.'],
  RandomBars: ['random', 'One-pixel bars in a random order: a noisy dissolve.'],
  TwinRandomBars: ['random', 'A random column and row at a time: a fine lattice dissolve.'],
  Swarm: ['random', 'A sweep with a ragged front of scattered pixels: dust blown across.'],
  Roll: ['roll', 'The new picture unrolls over the old one like a sheet of paper.'],
};
