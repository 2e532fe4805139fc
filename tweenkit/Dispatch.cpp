#include "tweenkit/Tweenery.h"

namespace tweenery {

void TFXState::Init(TFXParams*) {}
void TFXState::Done(TFXParams*) {}

namespace {
template <class State>
std::unique_ptr<TFXState> Create() {
  return std::make_unique<State>();
}
}  // namespace

// Indexed by TTransitionOperation. Where both columns name one function, it
// reads Reverse itself.
const TFXDispatchEntry FXDispatch[TransitionOperationCount] = {
    {FXPush, FXPush, nullptr},                                        // toPush
    {FXBlinds, FXBlinds, nullptr},                                    // toBlinds
    {FXCheckerboard, FXCheckerboard, nullptr},                        // toCheckerboard
    {FXCrush, FXReverseCrush, nullptr},                               // toCrush
    {FXMonoReveal, FXReverseMonoReveal, nullptr},                     // toMonoReveal
    {FXReveal, FXReverseReveal, nullptr},                             // toReveal
    {FXIris, FXIris, nullptr},                                        // toIris
    {FXMonoSlider, FXReverseMonoSlider, nullptr},                     // toMonoSlider
    {FXSlider, FXReverseSlider, nullptr},                             // toSlider
    {FXStrip, FXStrip, nullptr},                                      // toStrip
    {FXZoom, FXZoom, nullptr},                                        // toZoom
    {FXFade, FXFade, nullptr},                                        // toFade
    {FXMosaic, FXMosaic, nullptr},                                    // toMosaic
    {FXBlend, FXBlend, nullptr},                                      // toBlend
    {FXGlide, FXReverseGlide, nullptr},                               // toGlide
    {FXReplace, FXReplace, nullptr},                                  // toReplace
    {FXRGB, FXRGB, nullptr},                                          // toRGB
    {FXRGBBlend, FXRGBBlend, nullptr},                                // toRGBBlend
    {FXSpiral, FXSpiral, nullptr},                                    // toSpiral
    {FXCheckerBlinds, FXCheckerBlinds, nullptr},                      // toCheckerBlinds
    {FXShade, FXShade, nullptr},                                      // toShade
    {FXShadeContinue, FXShadeContinue, nullptr},                      // toShadeContinue
    {FXSqueeze, FXReverseSqueeze, nullptr},                           // toSqueeze
    {FXRandomBars, FXRandomBars, Create<TRandomBarsFXState>},         // toRandomBars
    {FXTwinRandomBars, FXTwinRandomBars, Create<TTwinRandomBarsFXState>},  // toTwinRandomBars
    {FXSwarm, FXReverseSwarm, nullptr},                               // toSwarm
    {FXStripedIris, FXStripedIris, nullptr},                          // toStripedIris
    {FXRoll, FXRoll, nullptr},                                        // toRoll
};

}  // namespace tweenery
