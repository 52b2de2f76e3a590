// The input controls besides buttons and their rows in the object factory:
// slider (6), edit (8), list (10) and carousel (12). They report through
// OnSlider, OnListSelect and OnCarouselSelect; the edit's text is read.
#pragma once

#include "engine/CarouselKind.h"
#include "engine/ListKind.h"
#include "engine/SliderEditKinds.h"

namespace Kivo {

// Gives the factory the four kinds above; safe to call more than once.
void RegisterControlKinds();

}  // namespace Kivo
