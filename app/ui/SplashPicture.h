#pragma once
// The splash window's picture: 504 x 275 pixels, 16 bits per pixel (5-5-5), with the product name.
#include <QImage>

namespace yeroup::app {

QImage MakeSplashPicture();

}  // namespace yeroup::app
