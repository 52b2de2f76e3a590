// The smooth stretch's filter: a box filter when shrinking and linear
// interpolation when enlarging, run as two separable passes in fixed point.
//
// Each destination cell takes its source pixels with weights out of 16384
// that add up to exactly 16384 wherever the cell is wholly covered, so an
// area of one colour keeps that colour exactly. The horizontal pass keeps
// each channel as 8.7 fixed point, (sum + 64) >> 7; the vertical pass ends
// with (sum + 2^20) >> 21. Colour and alpha are filtered alike (straight,
// not premultiplied), and the alpha that comes out is the cell's coverage.
//
// The fast run filters each used source row once, keeps it in a small row
// cache while the destination rows that need it are made, and works four
// channels at a time with SSE2; the reference run is the plain loop over
// the same tables. Both give the same rows bit for bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "image/MemoryImage.h"
#include "shell/base/Rect.h"

namespace Kivo {

// Working storage of the filter: held in place up to N elements (a small
// draw makes no allocation), on the heap beyond.
template <typename T, size_t N>
class ScratchArray {
 public:
  ScratchArray() = default;
  ScratchArray(const ScratchArray&) = delete;
  ScratchArray& operator=(const ScratchArray&) = delete;
  // Room for n elements, their values unspecified.
  T* Get(size_t n) {
    if (n <= N) {
      data_ = local_;
    } else {
      heap_.resize(n);
      data_ = heap_.data();
    }
    return data_;
  }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T& operator[](size_t i) { return data_[i]; }
  const T& operator[](size_t i) const { return data_[i]; }

 private:
  alignas(16) T local_[N];
  std::vector<T> heap_;
  T* data_ = local_;
};

class SmoothStretchFilter {
 public:
  // One full weight.
  static constexpr int32_t kOne = 16384;

  // The weights of one axis for the visible destination cells: every cell
  // reads `span` consecutive used source pixels from first[cell] on.
  struct Axis {
    int32_t span = 0;
    ScratchArray<int32_t, 256> first;
    ScratchArray<int32_t, 256> last;      // working room while the weights are made
    ScratchArray<int16_t, 1024> weights;  // span per cell
    bool loadsInside = true;              // every span lies inside the used pixels
  };

  // Sets the filter up for drawing sourceRect of `pixels` onto the target
  // rectangle `target`, of which only `visible` (inside target) is made.
  // False when nothing would be drawn. `pixels` must outlive Run.
  bool Prepare(const SourcePixels& pixels, const Rect& target, const DoubleRect& sourceRect, const Rect& visible);

  // Where the filtered rows go: a borrowed reference to the caller's
  // callable, called once a row. It holds no copy, so a small draw makes no
  // allocation for it.
  class RowSink {
   public:
    template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, RowSink>>>
    RowSink(F&& f)  // NOLINT: made from any row callable, as a function pointer would be
        : object_(const_cast<void*>(static_cast<const void*>(&f))),
          call_([](void* o, int32_t i, const uint32_t* r) { (*static_cast<std::remove_reference_t<F>*>(o))(i, r); }) {}
    void operator()(int32_t i, const uint32_t* filtered) const { call_(object_, i, filtered); }

   private:
    void* object_;
    void (*call_)(void*, int32_t, const uint32_t*);
  };

  // Makes every visible destination row in order: row(i, filtered) gets the
  // i-th visible row as 0xAARRGGBB words, alpha being the coverage.
  void Run(bool fast, RowSink row) const;

  int32_t VisibleWidth() const { return visibleW_; }
  int32_t VisibleHeight() const { return visibleH_; }

 private:
  void RunFast(RowSink row) const;
  void RunReference(RowSink row) const;
  // Halving on whole pixels: every cell of both axes is two source pixels
  // of half a weight each, so each cell is the rounded mean of a 2 x 2 block
  // ((sum + 2) >> 2 a channel, what the two passes give for those weights).
  bool ExactHalving() const;
  void RunHalving(RowSink row) const;

  // The used source row r (0 = the first used row) as 0xAARRGGBB words.
  const uint32_t* UsedRow(int32_t r, uint32_t* scratch) const;
  void FilterRowFast(const uint32_t* src, int16_t* out) const;
  void FilterRowReference(const uint32_t* src, int16_t* out) const;
  void VerticalFast(const int16_t* const* rows, const int16_t* weights, uint32_t* out) const;
  void VerticalReference(const int16_t* const* rows, const int16_t* weights, uint32_t* out) const;

  const SourcePixels* pixels_ = nullptr;  // kept by the caller through Run
  int32_t firstCol_ = 0, firstRow_ = 0, usedCols_ = 0, usedRows_ = 0;
  int32_t visibleW_ = 0, visibleH_ = 0;
  Axis cols_, rows_;
};

// Blends a row of filtered pixels onto 0xAARRGGBB pixels by source-over
// (the memory images' blend, BlendOver); pixels of coverage 0 are left.
// The fast form takes four opaque destination pixels at a time.
void BlendFilteredRow(uint32_t* dest, const uint32_t* filtered, int32_t n, bool fast);

}  // namespace Kivo
