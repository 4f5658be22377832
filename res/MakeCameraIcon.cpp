// Draws the window icon, a small camera, and writes it as a .ico file: one
// 32 x 32 image at 32 bits per pixel. The committed camera.ico is this
// program's output; a test checks the two still agree.
//
//   make_camera_icon OUTPUT.ico

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSize = 32;
constexpr int kSamples = 4;  // per axis, for smooth edges

struct Colour {
  std::uint8_t r, g, b;
};

bool InRoundRect(double x, double y, double left, double top, double right, double bottom,
                 double radius) {
  if (x < left || x > right || y < top || y > bottom) return false;
  const double cx = x < left + radius ? left + radius : (x > right - radius ? right - radius : x);
  const double cy = y < top + radius ? top + radius : (y > bottom - radius ? bottom - radius : y);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

bool InCircle(double x, double y, double cx, double cy, double radius) {
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

// The colour at a point, topmost shape first; false where the icon is clear.
bool Sample(double x, double y, Colour& c) {
  if (InCircle(x, y, 14.2, 16.2, 1.3)) return c = {255, 255, 255}, true;    // glint
  if (InCircle(x, y, 16, 18, 3.2)) return c = {30, 136, 229}, true;         // glass
  if (InCircle(x, y, 16, 18, 5.2)) return c = {20, 28, 34}, true;           // barrel
  if (InCircle(x, y, 16, 18, 7.4)) return c = {176, 190, 197}, true;        // lens ring
  if (InCircle(x, y, 25.5, 12.5, 1.6)) return c = {229, 57, 53}, true;      // record lamp
  if (InRoundRect(x, y, 3, 10, 29, 27, 3)) return c = {55, 71, 79}, true;   // body
  if (InRoundRect(x, y, 2, 9, 30, 28, 3.5)) return c = {30, 40, 45}, true;  // outline
  if (InRoundRect(x, y, 7, 6, 15, 11, 1.5)) return c = {38, 50, 56}, true;  // viewfinder
  return false;
}

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, unsigned v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_camera_icon OUTPUT.ico\n");
    return 2;
  }
  // Top-down BGRA pixels.
  std::array<std::array<std::uint8_t, 4>, kSize * kSize> pixels{};
  for (int py = 0; py < kSize; ++py) {
    for (int px = 0; px < kSize; ++px) {
      unsigned r = 0, g = 0, b = 0, hits = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          Colour c;
          if (!Sample(px + (sx + 0.5) / kSamples, py + (sy + 0.5) / kSamples, c)) continue;
          r += c.r, g += c.g, b += c.b, ++hits;
        }
      }
      if (hits == 0) continue;
      const unsigned alpha = (hits * 255 + kSamples * kSamples / 2) / (kSamples * kSamples);
      pixels[py * kSize + px] = {
          static_cast<std::uint8_t>(b / hits), static_cast<std::uint8_t>(g / hits),
          static_cast<std::uint8_t>(r / hits), static_cast<std::uint8_t>(alpha)};
    }
  }

  constexpr unsigned kMaskRow = kSize / 8;  // 1 bit a pixel, rows already 32-bit aligned
  constexpr unsigned kImage = 40 + kSize * kSize * 4 + kMaskRow * kSize;
  std::vector<std::uint8_t> ico;
  Put16(ico, 0), Put16(ico, 1), Put16(ico, 1);               // icon directory, one image
  ico.push_back(kSize), ico.push_back(kSize);                // width, height
  ico.push_back(0), ico.push_back(0);                        // no palette, reserved
  Put16(ico, 1), Put16(ico, 32);                             // planes, bits per pixel
  Put32(ico, kImage), Put32(ico, 6 + 16);                    // size and offset of the image
  Put32(ico, 40), Put32(ico, kSize), Put32(ico, kSize * 2);  // header; XOR + AND heights
  Put16(ico, 1), Put16(ico, 32), Put32(ico, 0);              // planes, bits, no compression
  Put32(ico, kImage - 40);
  Put32(ico, 0), Put32(ico, 0), Put32(ico, 0), Put32(ico, 0);
  for (int py = kSize - 1; py >= 0; --py) {  // bottom-up
    for (int px = 0; px < kSize; ++px) {
      for (std::uint8_t v : pixels[py * kSize + px]) ico.push_back(v);
    }
  }
  for (int py = kSize - 1; py >= 0; --py) {  // AND mask: set where fully clear
    for (unsigned byte = 0; byte < kMaskRow; ++byte) {
      std::uint8_t bits = 0;
      for (int bit = 0; bit < 8; ++bit) {
        if (pixels[py * kSize + static_cast<int>(byte) * 8 + bit][3] == 0) bits |= 0x80 >> bit;
      }
      ico.push_back(bits);
    }
  }

  std::FILE* f = std::fopen(argv[1], "wb");
  if (!f) {
    std::perror(argv[1]);
    return 1;
  }
  const bool ok = std::fwrite(ico.data(), 1, ico.size(), f) == ico.size();
  return (std::fclose(f) == 0 && ok) ? 0 : 1;
}
