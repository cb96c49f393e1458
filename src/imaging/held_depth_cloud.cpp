#include "imaging/held_depth_cloud.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/cloud_kernels.h"
#include "imaging/exact_formulas.h"
#include "imaging/imaging_messages.h"
#include "imaging/point_cloud.h"
#include "imaging/point_element.h"

namespace norvik {
namespace imaging {

namespace {

constexpr char kEmptyDepthMessage[] = "The input depth map is empty.";
constexpr char kEmptyImagesMessage[] = "The input depth map or the 2D image is empty.";

// x rounded to the nearest whole number (halves to even) without a library call, for |x| < 2^51; anything
// else (NaN included) comes out as a value no sample has.
inline double roundToWhole(double x) {
    constexpr double kShift = 6755399441055744.0;  // 1.5 * 2^52: the sum keeps no fraction
    return std::fabs(x) < 0x1p51 ? (x + kShift) - kShift : -1e9;
}

// The loops read 16-bit samples and look their depths up in a table. A held depth map is turned into that
// form. A captured map holds (sample - 32768) / scale for one scale: once a scale is found that gives every
// pixel's depth back to the bit, each pixel's sample is computed, in parallel. Any other map is indexed by
// its distinct depths (bit patterns), one thread, a hash lookup per pixel; a map with more than 65536 of
// them takes the formulas pixel by pixel.
class IndexedDepths {
public:
    // False when the map has more distinct depths than a sample can index.
    bool index(const api::ElementDepth* depth, std::size_t count) {
        samples_.resize(2 * count);
        return byScale(depth, count) || byValue(depth, count);
    }

    const unsigned char* samples() const { return samples_.data(); }
    const float* table() const { return table_.data(); }

private:
    static constexpr std::size_t kSlots = std::size_t(1) << 17;  // twice the most entries: short probes
    static constexpr std::size_t kScaleSamples = 4096;

    bool byScale(const api::ElementDepth* depth, std::size_t count) {
        const double scale = capturedScale(depth, count);
        if (!(scale > 0)) return false;
        std::uint64_t bits;
        std::memcpy(&bits, &scale, sizeof bits);
        if (table_.size() != kDepthSamples || bits != tableScale_) {
            table_.resize(kDepthSamples);
            for (std::size_t raw = 0; raw < kDepthSamples; ++raw) {
                const unsigned char sample[2] = {static_cast<unsigned char>(raw & 0xFF),
                                                 static_cast<unsigned char>(raw >> 8)};
                table_[raw] = exact::depth(sample, 0, scale);
            }
            tableScale_ = bits;
        }
        std::atomic<bool> exact{true};
        const float* table = table_.data();
        unsigned char* samples = samples_.data();
        parallelBlocks(count, [&](std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end; ++i) {
                const float d = depth[i].d;
                const double offset = roundToWhole(static_cast<double>(d) * scale);
                // The sample whose depth this is, if the scale holds for this pixel.
                const int raw =
                    offset >= -32768.0 && offset <= 32767.0 ? static_cast<int>(offset) + 32768 : 0;
                if (std::memcmp(&table[raw], &d, sizeof d) != 0) {
                    exact.store(false, std::memory_order_relaxed);
                    return;
                }
                samples[2 * i] = static_cast<unsigned char>(raw & 0xFF);
                samples[2 * i + 1] = static_cast<unsigned char>(raw >> 8);
            }
        });
        if (!exact.load()) tableScale_ = 0;  // the table is rebuilt by value
        return exact.load();
    }

    // A scale for which a few thousand pixels spread over the map are all (sample - 32768) / scale rounded
    // to float, or 0. The spacing of the depths gives a guess; each pixel then bounds the scales that round
    // to its depth, and the middle of the bounds is taken.
    static double capturedScale(const api::ElementDepth* depth, std::size_t count) {
        std::vector<float> picked;
        picked.reserve(kScaleSamples);
        const std::size_t step = count / kScaleSamples + 1;
        for (std::size_t i = 0; i < count; i += step) {
            const float d = std::fabs(depth[i].d);
            if (d > 0 && std::isfinite(d)) picked.push_back(d);
        }
        std::sort(picked.begin(), picked.end());
        picked.erase(std::unique(picked.begin(), picked.end()), picked.end());
        double gap = HUGE_VAL;
        for (std::size_t i = 1; i < picked.size(); ++i)
            gap = std::min(gap, double(picked[i]) - picked[i - 1]);
        if (!(gap > 0) || gap == HUGE_VAL) return 0;
        // Each step between neighbouring depths is a whole number of samples; counted up over the whole span,
        // they give the scale far more closely than one step does.
        double guess = 1.0 / gap, samples = 0;
        for (std::size_t i = 1; i < picked.size(); ++i) {
            samples += std::nearbyint((double(picked[i]) - picked[i - 1]) * guess);
            guess = samples / (double(picked[i]) - picked[0]);
        }
        double low = 0, high = HUGE_VAL;
        for (float d : picked) {
            const double offset = std::nearbyint(d * guess);
            if (!(offset >= 1 && offset <= 32768)) return 0;
            const double below = (double(d) + std::nextafter(d, 0.0f)) / 2;
            const double above = (double(d) + std::nextafter(d, HUGE_VALF)) / 2;
            low = std::max(low, offset / above);
            high = std::min(high, offset / below);
        }
        return low < high ? (low + high) / 2 : 0;
    }

    bool byValue(const api::ElementDepth* depth, std::size_t count) {
        table_.clear();
        tableScale_ = 0;
        slots_.assign(kSlots, 0);
        std::uint32_t lastBits = 0;
        std::uint16_t lastIndex = 0;
        bool haveLast = false;
        for (std::size_t i = 0; i < count; ++i) {
            std::uint32_t bits;
            std::memcpy(&bits, &depth[i].d, sizeof bits);
            // Neighbouring pixels often share a depth (all of the unmeasured ones do).
            if (!haveLast || bits != lastBits) {
                if (!lookUp(bits, depth[i].d, lastIndex)) return false;
                lastBits = bits;
                haveLast = true;
            }
            samples_[2 * i] = static_cast<unsigned char>(lastIndex & 0xFF);
            samples_[2 * i + 1] = static_cast<unsigned char>(lastIndex >> 8);
        }
        return true;
    }

    // A slot holds (index + 1) << 32 | bits, 0 when free.
    bool lookUp(std::uint32_t bits, float value, std::uint16_t& index) {
        std::size_t slot = (bits * 0x9E3779B1u) >> 15;
        for (;; slot = (slot + 1) & (kSlots - 1)) {
            const std::uint64_t entry = slots_[slot];
            if (entry == 0) break;
            if (static_cast<std::uint32_t>(entry) == bits) {
                index = static_cast<std::uint16_t>((entry >> 32) - 1);
                return true;
            }
        }
        if (table_.size() == kDepthSamples) return false;
        index = static_cast<std::uint16_t>(table_.size());
        table_.push_back(value);
        slots_[slot] = (static_cast<std::uint64_t>(index) + 1) << 32 | bits;
        return true;
    }

    std::vector<unsigned char> samples_;
    std::vector<float> table_;
    std::uint64_t tableScale_ = 0;  // the scale the table was built for, 0 for a table of values
    std::vector<std::uint64_t> slots_;
};

// The loop parameters for a depth map of `cols` columns whose samples index `table`.
KernelParams heldParams(const api::CameraIntrinsics& camera, std::uint32_t cols, const float* table) {
    KernelParams p;
    p.scale = 1;
    p.fx = camera.intrinsic[0];
    p.fy = camera.intrinsic[1];
    p.cx = camera.intrinsic[2];
    p.cy = camera.intrinsic[3];
    p.cols = static_cast<std::int32_t>(cols);
    p.depthOf = table;
    return p;
}

std::size_t pixels(const api::Frame<api::ElementDepth>& depth) {
    return static_cast<std::size_t>(depth.width()) * depth.height();
}

// Reused by the calls of one thread, so that a stream of frames allocates nothing after the first.
IndexedDepths& scratch() {
    thread_local IndexedDepths indexed;
    return indexed;
}

// Checks the intrinsics, then runs indexed (the capture loop) over the indexed map, or formula per pixel when
// the map cannot be indexed. prepare adds what the loop needs beyond the depth camera's intrinsics.
template <typename Point, typename Prepare, typename Indexed, typename Formula>
api::ErrorStatus fill(const api::Frame<api::ElementDepth>& depth, const api::DeviceIntri& intri,
                      api::Frame<Point>& cloud, const Prepare& prepare, const Indexed& indexed,
                      const Formula& formula) {
    if (!usableDepthIntrinsics(intri.intrinsic3DCamera))
        return {api::InvalidIntrinsics, kInvalidIntrinsicsMessage};
    try {
        IndexedDepths& held = scratch();
        const bool useTable = held.index(depth.data(), pixels(depth));
        cloud.resize(depth.width(), depth.height());
        KernelParams params =
            heldParams(intri.intrinsic3DCamera, depth.width(), useTable ? held.table() : nullptr);
        prepare(params);
        Point* out = cloud.data();
        parallelBlocks(pixels(depth), [&](std::size_t begin, std::size_t end) {
            if (useTable) return indexed(held.samples(), out, begin, end, params);
            exact::walk(begin, end, depth.width(), [&](std::size_t i, std::size_t row, std::size_t col) {
                const float z = depth.data()[i].d;
                formula(out[i], i, exact::coordinate(col, params.cx, z, params.fx),
                        exact::coordinate(row, params.cy, z, params.fy), z, params);
            });
        });
    } catch (const std::bad_alloc&) {
        return {api::CaptureError, "Not enough memory for the point cloud."};
    }
    return {};
}

}  // namespace

api::ErrorStatus cloudFromDepthMap(const api::Frame<api::ElementDepth>& depth, const api::DeviceIntri& intri,
                                   api::Frame<api::ElementPointXYZ>& cloud) {
    if (depth.empty()) return {api::EmptyInput, kEmptyDepthMessage};
    return fill(
        depth, intri, cloud, [](KernelParams&) {},
        [](const unsigned char* raw, api::ElementPointXYZ* out, std::size_t begin, std::size_t end,
           const KernelParams& p) { pointRange(raw, out, begin, end, p); },
        [](api::ElementPointXYZ& out, std::size_t, float x, float y, float z, const KernelParams&) {
            out = {x, y, z};
        });
}

api::ErrorStatus cloudFromDepthMap(const api::Frame<api::ElementDepth>& depth,
                                   const api::Frame<api::ElementColor>& color, const api::DeviceIntri& intri,
                                   api::Frame<api::ElementPointXYZBGR>& cloud) {
    if (depth.empty() || color.empty()) return {api::EmptyInput, kEmptyImagesMessage};
    return fill(
        depth, intri, cloud,
        [&](KernelParams& p) { addColorView(p, intri, color, static_cast<std::int32_t>(depth.height())); },
        [&](const unsigned char* raw, api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end,
            const KernelParams& p) { colorPointRange(raw, color, out, begin, end, p); },
        [&](api::ElementPointXYZBGR& out, std::size_t i, float x, float y, float z, const KernelParams& p) {
            const api::ElementColor c =
                p.sameView ? color.data()[i] : exact::projectedColor(color, x, y, z, p);
            storeColorPoint(out, c, x, y, z);
        });
}

}  // namespace imaging
}  // namespace norvik
