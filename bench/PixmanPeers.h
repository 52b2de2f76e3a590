// Settings the pixman peers of several benchmarks share, so each compares
// with pixman doing exactly the work the project does.
#pragma once

#include <pixman.h>

#include <cmath>

namespace benchpeers {

// Draws the image rotated by `degrees` about its centre, bilinear filtered
// (pixman maps destination to source, hence the inverse).
inline void RotateAboutCentre(pixman_image_t* image, double width, double height, double degrees) {
  const double radians = degrees * M_PI / 180.0;
  pixman_f_transform_t forward;
  pixman_f_transform_init_translate(&forward, -width / 2.0, -height / 2.0);
  pixman_f_transform_rotate(&forward, nullptr, std::cos(radians), std::sin(radians));
  pixman_f_transform_translate(&forward, nullptr, width / 2.0, height / 2.0);
  pixman_f_transform_t inverse;
  pixman_f_transform_invert(&inverse, &forward);
  pixman_transform_t t;
  pixman_transform_from_pixman_f_transform(&t, &inverse);
  pixman_image_set_transform(image, &t);
  pixman_image_set_filter(image, PIXMAN_FILTER_BILINEAR, nullptr, 0);
}

}  // namespace benchpeers
