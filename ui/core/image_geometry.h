// Sizes and positions of the program's pictures: an image scaled to a width or a height with its
// aspect kept, fitted into a rectangle, and the frame of the busy indicator's strip that shows.
// Every size is bounded, so no outside image makes a huge bitmap.
#ifndef LUMA_UI_CORE_IMAGE_GEOMETRY_H_
#define LUMA_UI_CORE_IMAGE_GEOMETRY_H_

namespace luma::ui {

struct CSizeI {
  int width = 0;
  int height = 0;
  bool operator==(const CSizeI& other) const { return width == other.width && height == other.height; }
};

// Longest side of a bitmap the program makes from an image.
constexpr int kMaxBitmapSide = 8192;

// The image's size scaled to `width` (height follows the aspect) or to `height` (width follows);
// false when a size is not positive or the result would be empty or longer than kMaxBitmapSide.
bool ScaledToWidth(const CSizeI& image, int width, CSizeI& out);
bool ScaledToHeight(const CSizeI& image, int height, CSizeI& out);

// Where an image goes in a rectangle of `box` size: scaled by the smaller ratio, never enlarged past
// the rectangle, centred on an axis whose alignment is 0 or more, at its start for a negative one.
struct CFitPlacement {
  int x = 0;
  int y = 0;
  CSizeI drawn;
  bool operator==(const CFitPlacement& other) const {
    return x == other.x && y == other.y && drawn == other.drawn;
  }
};
bool FitPlacement(const CSizeI& image, const CSizeI& box, int xAlign, int yAlign, CFitPlacement& out);

// The busy indicator: a horizontal strip of square frames. The number of frames (0 for a strip that
// is not there or has no height), and the x of the frame shown after `counter` ticks in a control
// `frameWidth` wide; -1 when there is no frame to show, and the control is painted white instead.
int SpinnerFrameCount(const CSizeI& strip);
int SpinnerFrameX(unsigned counter, int frameCount, int frameWidth);

}  // namespace luma::ui

#endif  // LUMA_UI_CORE_IMAGE_GEOMETRY_H_
