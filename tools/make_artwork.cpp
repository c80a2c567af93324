// Draws the program's pictures: the icons, the transfer bitmaps, the pane
// pictures (magenta is the transparent colour) and the animation clip shown
// while a pane is read. Run once; its output is kept in src/gui/win32/res.
//   g++ -std=c++17 -O2 tools/make_artwork.cpp -o make_artwork && ./make_artwork src/gui/win32/res
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Rgba {
  std::uint8_t r, g, b, a;
};

constexpr Rgba kMagenta{255, 0, 255, 255};
constexpr Rgba kNone{0, 0, 0, 0};

class Canvas {
 public:
  Canvas(int w, int h, Rgba fill) : w_(w), h_(h), px_(static_cast<std::size_t>(w * h), fill) {}
  int w() const { return w_; }
  int h() const { return h_; }
  Rgba at(int x, int y) const { return px_[static_cast<std::size_t>(y * w_ + x)]; }
  void set(int x, int y, Rgba c) {
    if (x >= 0 && y >= 0 && x < w_ && y < h_) px_[static_cast<std::size_t>(y * w_ + x)] = c;
  }
  void rect(int x0, int y0, int x1, int y1, Rgba c) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) set(x, y, c);
  }
  void frame(int x0, int y0, int x1, int y1, Rgba c) {
    for (int x = x0; x <= x1; ++x) set(x, y0, c), set(x, y1, c);
    for (int y = y0; y <= y1; ++y) set(x0, y, c), set(x1, y, c);
  }
  void disc(double cx, double cy, double r, Rgba c) {
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x)
        if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= r) set(x, y, c);
  }
  // A filled triangle pointing right (dir 1) or left (dir -1).
  void arrow(int x0, int x1, int cy, int half, int dir, Rgba c) {
    for (int x = x0; x <= x1; ++x) {
      const int t = dir > 0 ? x - x0 : x1 - x;
      const int span = half - (half * t) / std::max(1, x1 - x0);
      for (int y = cy - span; y <= cy + span; ++y) set(x, y, c);
    }
  }

 private:
  int w_, h_;
  std::vector<Rgba> px_;
};

void put16(std::vector<std::uint8_t>& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}
void put4(std::vector<std::uint8_t>& b, const char* s) { b.insert(b.end(), s, s + 4); }
void patch32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

void info_header(std::vector<std::uint8_t>& b, int w, int h, int bits, std::uint32_t image_size,
                 std::uint32_t colours) {
  put32(b, 40);
  put32(b, static_cast<std::uint32_t>(w));
  put32(b, static_cast<std::uint32_t>(h));
  put16(b, 1);
  put16(b, static_cast<unsigned>(bits));
  put32(b, 0);
  put32(b, image_size);
  put32(b, 2835);
  put32(b, 2835);
  put32(b, colours);
  put32(b, 0);
}

void save(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
}

void save_bmp(const std::string& path, const Canvas& c) {
  const int stride = (c.w() * 3 + 3) & ~3;
  const std::uint32_t size = static_cast<std::uint32_t>(stride * c.h());
  std::vector<std::uint8_t> b{'B', 'M'};
  put32(b, 54 + size);
  put32(b, 0);
  put32(b, 54);
  info_header(b, c.w(), c.h(), 24, size, 0);
  for (int y = c.h() - 1; y >= 0; --y) {
    int n = 0;
    for (int x = 0; x < c.w(); ++x, n += 3) {
      const Rgba p = c.at(x, y);
      b.push_back(p.b), b.push_back(p.g), b.push_back(p.r);
    }
    for (; n < stride; ++n) b.push_back(0);
  }
  save(path, b);
}

void save_ico(const std::string& path, const std::vector<Canvas>& sizes) {
  std::vector<std::uint8_t> b;
  put16(b, 0);
  put16(b, 1);
  put16(b, static_cast<unsigned>(sizes.size()));
  std::vector<std::vector<std::uint8_t>> images;
  for (const Canvas& c : sizes) {
    std::vector<std::uint8_t> img;
    const int mask_stride = ((c.w() + 31) / 32) * 4;
    info_header(img, c.w(), c.h() * 2, 32,
                static_cast<std::uint32_t>(c.w() * c.h() * 4 + mask_stride * c.h()), 0);
    for (int y = c.h() - 1; y >= 0; --y)
      for (int x = 0; x < c.w(); ++x) {
        const Rgba p = c.at(x, y);
        img.push_back(p.b), img.push_back(p.g), img.push_back(p.r), img.push_back(p.a);
      }
    for (int y = c.h() - 1; y >= 0; --y) {
      std::vector<std::uint8_t> row(static_cast<std::size_t>(mask_stride), 0);
      for (int x = 0; x < c.w(); ++x)
        if (c.at(x, y).a == 0) row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      img.insert(img.end(), row.begin(), row.end());
    }
    images.push_back(img);
  }
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(sizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    // A 256-pixel image is written as 0.
    b.push_back(static_cast<std::uint8_t>(sizes[i].w() & 0xFF));
    b.push_back(static_cast<std::uint8_t>(sizes[i].h() & 0xFF));
    b.push_back(0);
    b.push_back(0);
    put16(b, 1);
    put16(b, 32);
    put32(b, static_cast<std::uint32_t>(images[i].size()));
    put32(b, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& img : images) b.insert(b.end(), img.begin(), img.end());
  save(path, b);
}

// An uncompressed 8-bit clip: the animation control plays it without a codec.
void save_avi(const std::string& path, int w, int h, int frames,
              const std::function<std::uint8_t(int frame, int x, int y)>& pixel,
              const std::vector<Rgba>& palette) {
  const int stride = (w + 3) & ~3;
  const std::uint32_t frame_size = static_cast<std::uint32_t>(stride * h);
  std::vector<std::uint8_t> b;
  put4(b, "RIFF");
  put32(b, 0);
  put4(b, "AVI ");
  put4(b, "LIST");
  const std::size_t hdrl_size = b.size();
  put32(b, 0);
  put4(b, "hdrl");
  put4(b, "avih");
  put32(b, 56);
  put32(b, 125000);  // eight frames a second
  put32(b, frame_size * 8);
  put32(b, 0);
  put32(b, 0x10);  // has an index
  put32(b, static_cast<std::uint32_t>(frames));
  put32(b, 0);
  put32(b, 1);
  put32(b, frame_size);
  put32(b, static_cast<std::uint32_t>(w));
  put32(b, static_cast<std::uint32_t>(h));
  for (int i = 0; i < 4; ++i) put32(b, 0);
  put4(b, "LIST");
  const std::size_t strl_size = b.size();
  put32(b, 0);
  put4(b, "strl");
  put4(b, "strh");
  put32(b, 56);
  put4(b, "vids");
  put4(b, "DIB ");
  put32(b, 0);
  put16(b, 0);
  put16(b, 0);
  put32(b, 0);
  put32(b, 1);
  put32(b, 8);
  put32(b, 0);
  put32(b, static_cast<std::uint32_t>(frames));
  put32(b, frame_size);
  put32(b, 0xFFFFFFFF);
  put32(b, 0);
  put16(b, 0);
  put16(b, 0);
  put16(b, static_cast<unsigned>(w));
  put16(b, static_cast<unsigned>(h));
  put4(b, "strf");
  put32(b, 40 + 4 * static_cast<std::uint32_t>(palette.size()));
  info_header(b, w, h, 8, frame_size, static_cast<std::uint32_t>(palette.size()));
  for (const Rgba& p : palette) b.push_back(p.b), b.push_back(p.g), b.push_back(p.r), b.push_back(0);
  patch32(b, strl_size, static_cast<std::uint32_t>(b.size() - strl_size - 4));
  patch32(b, hdrl_size, static_cast<std::uint32_t>(b.size() - hdrl_size - 4));

  put4(b, "LIST");
  const std::size_t movi_size = b.size();
  put32(b, 0);
  const std::size_t movi = b.size();
  put4(b, "movi");
  std::vector<std::uint32_t> offsets;
  for (int f = 0; f < frames; ++f) {
    offsets.push_back(static_cast<std::uint32_t>(b.size() - movi));
    put4(b, "00db");
    put32(b, frame_size);
    for (int y = h - 1; y >= 0; --y) {
      for (int x = 0; x < w; ++x) b.push_back(pixel(f, x, y));
      for (int x = w; x < stride; ++x) b.push_back(0);
    }
  }
  patch32(b, movi_size, static_cast<std::uint32_t>(b.size() - movi_size - 4));
  put4(b, "idx1");
  put32(b, 16 * static_cast<std::uint32_t>(frames));
  for (int f = 0; f < frames; ++f) {
    put4(b, "00db");
    put32(b, 0x10);
    put32(b, offsets[static_cast<std::size_t>(f)]);
    put32(b, frame_size);
  }
  patch32(b, 4, static_cast<std::uint32_t>(b.size() - 8));
  save(path, b);
}

constexpr Rgba kBlue{32, 84, 160, 255};
constexpr Rgba kGreen{40, 140, 60, 255};
constexpr Rgba kYellow{240, 200, 40, 255};
constexpr Rgba kDark{40, 40, 48, 255};
constexpr Rgba kGrey{150, 156, 164, 255};
constexpr Rgba kScreen{120, 180, 230, 255};
constexpr Rgba kWhite{255, 255, 255, 255};

Canvas program_icon(int s) {
  Canvas c(s, s, kNone);
  const double k = s / 32.0;
  c.disc(16 * k, 16 * k, 15 * k, kBlue);
  c.disc(16 * k, 16 * k, 11 * k, kWhite);
  c.disc(16 * k, 16 * k, 7 * k, kGreen);
  c.rect(static_cast<int>(15 * k), static_cast<int>(2 * k), static_cast<int>(16 * k), static_cast<int>(29 * k), kDark);
  c.rect(static_cast<int>(2 * k), static_cast<int>(15 * k), static_cast<int>(29 * k), static_cast<int>(16 * k), kDark);
  return c;
}

// The small pictures are drawn on a 16-pixel grid and enlarged pixel by pixel
// for the sizes that a scaled display asks for.
Canvas enlarged(const Canvas& small, int size) {
  Canvas c(size, size, kNone);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) c.set(x, y, small.at(x * small.w() / size, y * small.h() / size));
  return c;
}

std::vector<Canvas> small_sizes(const Canvas& small) {
  return {small, enlarged(small, 20), enlarged(small, 24), enlarged(small, 32)};
}

Canvas up_icon() {
  Canvas c(16, 16, kNone);
  c.rect(1, 5, 9, 13, kYellow);  // a folder
  c.rect(1, 4, 4, 4, kYellow);
  c.frame(1, 5, 9, 13, kDark);
  for (int y = 1; y <= 6; ++y) c.rect(13 - y, y, 11 + y, y, kGreen);  // the arrow head
  c.rect(11, 6, 13, 13, kGreen);
  return c;
}

Canvas browse_icon() {
  Canvas c(16, 16, kNone);
  c.rect(1, 4, 12, 13, kYellow);
  c.rect(1, 3, 5, 3, kYellow);
  c.frame(1, 4, 12, 13, kDark);
  c.rect(4, 8, 5, 9, kDark);
  c.rect(7, 8, 8, 9, kDark);
  c.rect(10, 8, 11, 9, kDark);
  return c;
}

Canvas transfer_bitmap(int dir) {
  Canvas c(40, 16, kMagenta);
  for (int i = 0; i < 3; ++i) {
    const int x0 = 3 + i * 12;
    c.arrow(x0, x0 + 9, 8, 6, dir, dir > 0 ? kGreen : kBlue);
  }
  return c;
}

Canvas desktop_picture() {
  Canvas c(48, 40, kMagenta);
  c.rect(4, 2, 43, 29, kDark);
  c.rect(7, 5, 40, 26, kScreen);
  c.rect(20, 30, 27, 34, kGrey);
  c.rect(12, 35, 35, 37, kGrey);
  return c;
}

Canvas device_picture() {
  Canvas c(48, 40, kMagenta);
  c.rect(14, 1, 33, 38, kDark);
  c.rect(17, 4, 30, 20, kScreen);
  for (int y = 23; y <= 35; y += 4)
    for (int x = 17; x <= 29; x += 5) c.rect(x, y, x + 2, y + 2, kGrey);
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : ".";
  // Every size Windows asks for, from the title bar at 100 % to Explorer's largest view.
  save_ico(dir + "/program.ico", {program_icon(16), program_icon(20), program_icon(24),
                                  program_icon(32), program_icon(48), program_icon(256)});
  save_ico(dir + "/up_one_level.ico", small_sizes(up_icon()));
  save_ico(dir + "/browse.ico", small_sizes(browse_icon()));
  save_bmp(dir + "/upload.bmp", transfer_bitmap(1));
  save_bmp(dir + "/download.bmp", transfer_bitmap(-1));
  save_bmp(dir + "/desktop.bmp", desktop_picture());
  save_bmp(dir + "/device.bmp", device_picture());

  // Eight frames: a document travelling along a line of dots.
  const std::vector<Rgba> palette{{236, 233, 216, 0}, kDark, kGreen, kWhite, kBlue};
  save_avi(dir + "/busy.avi", 80, 24, 8,
           [](int f, int x, int y) -> std::uint8_t {
             if (y == 12 && x % 4 == 0) return 4;
             const int left = 4 + f * 9;
             if (x >= left && x < left + 10 && y >= 5 && y < 19) {
               if (x == left || x == left + 9 || y == 5 || y == 18) return 1;
               return (y % 3 == 0 && x > left + 1 && x < left + 8) ? 2 : 3;
             }
             return 0;
           },
           palette);
  return 0;
}
