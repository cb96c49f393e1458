// Steps worked in two passes (ProjectedBatch): a batch of steps takes its points and where they land in the
// 2D image, then the batch is sampled, with the sampler's inputs read ahead or its pixel offsets kept where
// that is faster.
// Included once per target by the kernel files (Highway's foreach_target), hence the toggled guard.

#if defined(QUORIX_IMAGING_KERNEL_BATCH_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef QUORIX_IMAGING_KERNEL_BATCH_INL_H_
#undef QUORIX_IMAGING_KERNEL_BATCH_INL_H_
#else
#define QUORIX_IMAGING_KERNEL_BATCH_INL_H_
#endif

#include <cstddef>
#include <cstdint>

#include "hwy/highway.h"
#include "imaging/kernel_sampler-inl.h"
#include "imaging/kernel_support.h"
#include "imaging/kernel_vectors-inl.h"
#include "imaging/projection.h"
#include "quorix/Frame.h"

#if HWY_TARGET != HWY_SCALAR
HWY_BEFORE_NAMESPACE();
namespace norvik {
namespace imaging {
namespace HWY_NAMESPACE {

// A batch of steps (ProjectedBatch) keeps each of its values for all its steps in one row of words.
inline constexpr std::size_t kBatchSteps = 16;
inline constexpr std::size_t kBatchRow = kBatchSteps * kMaxLanes;

// The sampler's inputs of a step read ahead, as words at `at`, one batch row apart (in arrays: vectors
// cannot be default-built on every target). The weights' complements are worked out again: a subtraction
// costs less than a store and a load.
inline constexpr std::size_t kKeptInputs = 7;
HWY_INLINE void keepInputs(std::uint32_t* at, const BilinearInputs& in) {
    const WordTag du;
    for (int n = 0; n < 4; ++n) hn::Store(in.w[n], du, at + n * kBatchRow);
    hn::Store(hn::BitCast(du, in.a), du, at + 4 * kBatchRow);
    hn::Store(hn::BitCast(du, in.b), du, at + 5 * kBatchRow);
    hn::Store(hn::BitCast(du, in.keep), du, at + 6 * kBatchRow);
}
HWY_INLINE BilinearInputs keptInputs(const std::uint32_t* at) {
    const WordTag du;
    const FloatTag df;
    auto word = [&](int n) { return hn::Load(du, at + n * kBatchRow); };
    const FloatVec a = hn::BitCast(df, word(4)), b = hn::BitCast(df, word(5));
    const FloatVec one = hn::Set(df, 1.0f);
    return BilinearInputs{{word(0), word(1), word(2), word(3)}, a, b, hn::Sub(one, a), hn::Sub(one, b),
                          hn::BitCast(IntTag(), word(6))};
}

// Where a step's points land in the 2D image, what the vector sampler reads there when the batch read it
// ahead (keepInputs), and the offsets of the pixels it reads when the batch kept them (keepsPixelOffsets);
// null where not.
struct Landing {
    FloatVec u, v;
    const std::uint32_t* ahead;
    const std::int32_t* offsets;
};

// For images with g.vector: use(inputs) with what the sampler reads for the lanes' landings. A call for each
// case rather than a copy of the inputs read ahead, and the kept inputs loaded here rather than handed over
// built: with SSE4 either went through the stack (loading them here took 5 to 8 % off the texture mask
// without colour, 1 to 4 % off the coloured one).
template <typename Use>
HWY_INLINE auto withInputs(const Landing& at, const ImageGeometry& g, const Use& use) {
    if (at.ahead != nullptr) return use(keptInputs(at.ahead));
    return use(bilinearInputs(at.u, at.v, g, at.offsets));
}

// sampleBilinear at (u, v) of every lane, packed as packColor packs it: the same float operations in the same
// order, so the same bytes. Lanes with a negative or NaN coordinate are black.
HWY_INLINE WordVec bilinear(const Landing& at, const api::Frame<api::ElementColor>& color,
                            const ImageGeometry& g) {
    const WordTag du;
    if (!g.vector) {
        const FloatTag df;
        float us[kMaxLanes], vs[kMaxLanes];
        std::uint32_t bgr[kMaxLanes];
        hn::StoreU(at.u, df, us);
        hn::StoreU(at.v, df, vs);
        for (std::size_t lane = 0; lane < hn::Lanes(df); ++lane)
            bgr[lane] = packColor(sampleBilinear(color, us[lane], vs[lane]));
        return hn::LoadU(du, bgr);
    }
    return withInputs(at, g, [](const BilinearInputs& in) { return mixColors(in); });
}

// Whether a batch keeps the offsets of the pixels its steps read as it takes each step: on x86 where the
// sampler reads them lane by lane after the batch (AVX2 and AVX-512 where gathers are slow, pixelPairs).
// Taken out of the vector in the sampler, the offsets held up the loads there: on a Zen 5 core the coloured
// points took a ninth less time with AVX2 and a sixth less with AVX-512, the texture masks up to a sixth
// less. SSE4 reads the batch's pixels ahead of the mixing (kGatherAhead), and keeping them cost it a few
// percent.
HWY_INLINE bool keepsPixelOffsets(const ImageGeometry& g) {
    return QUORIX_X86_VECTOR_TARGET && !kGatherAhead && g.vector && g.slowGathers;
}

// Steps worked in two passes: a batch of them takes its points and where they land in the 2D image, then the
// batch is sampled. Each pass is a shorter chain of dependent operations, so the processor overlaps more
// steps of it (the coloured points took a sixth less time on the Intel cores measured).
class ProjectedBatch {
public:
    explicit ProjectedBatch(const ImageGeometry& g) : geometry_(g) {}

    // Keeps one step's points and image coordinates; finish(i, stream, points, landing) then runs for every
    // kept step when the batch is full (and at flush), `stream` its LaneCoordinates' own.
    template <typename Finish>
    HWY_INLINE void add(std::size_t i, bool stream, const Points& pt, FloatVec u, FloatVec v,
                        const Finish& finish) {
        // One store each: a loop over an initializer list went through a copy on the stack. The step is read
        // once: the vector stores may alias size_ for the compiler.
        const std::size_t step = size_;
        keepValue(kX, step, pt.x);
        keepValue(kY, step, pt.y);
        keepValue(kZ, step, pt.z);
        keepValue(kU, step, u);
        keepValue(kV, step, v);
        if (keepsPixelOffsets(geometry_)) hn::Store(sampleOffsets(u, v, geometry_), IntTag(), offsets(step));
        streams_[step] = stream;
        starts_[step] = i;
        size_ = step + 1;
        if (size_ == kBatchSteps) flush(finish);
    }

    // Not inlined itself, so that `finish` has this one call site and is inlined here: a call per step costs
    // more than the call per batch.
    template <typename Finish>
    HWY_NOINLINE void flush(const Finish& finish) {
        const bool ahead = kGatherAhead && geometry_.vector;
        // A copy the stores below cannot alias: its fields and their vectors stay in registers.
        const ImageGeometry g = geometry_;
        const std::size_t lanes = hn::Lanes(WordTag());
        const bool kept = keepsPixelOffsets(g);
        for (std::size_t step = 0; ahead && step < size_; ++step)
            keepInputs(inputs_[0] + step * lanes, bilinearInputs(value(kU, step), value(kV, step), g));
        for (std::size_t step = 0; step < size_; ++step) {
            finish(starts_[step], streams_[step], Points{value(kX, step), value(kY, step), value(kZ, step)},
                   Landing{value(kU, step), value(kV, step), ahead ? inputs_[0] + step * lanes : nullptr,
                           kept ? offsets(step) : nullptr});
        }
        size_ = 0;
    }

private:
    enum Value { kX, kY, kZ, kU, kV };

    HWY_INLINE void keepValue(Value n, std::size_t step, FloatVec value) {
        const FloatTag df;
        hn::Store(value, df, values_[n] + step * hn::Lanes(df));
    }
    HWY_INLINE FloatVec value(Value n, std::size_t step) const {
        const FloatTag df;
        return hn::Load(df, values_[n] + step * hn::Lanes(df));
    }
    HWY_INLINE std::int32_t* offsets(std::size_t step) { return offsets_ + step * hn::Lanes(IntTag()); }

    HWY_ALIGN float values_[5][kBatchRow];
    HWY_ALIGN std::uint32_t inputs_[kKeptInputs][kBatchRow];
    HWY_ALIGN std::int32_t offsets_[kBatchRow];  // where keepsPixelOffsets
    std::size_t starts_[kBatchSteps];
    bool streams_[kBatchSteps];
    std::size_t size_ = 0;
    const ImageGeometry& geometry_;
};

}  // namespace HWY_NAMESPACE
}  // namespace imaging
}  // namespace norvik
HWY_AFTER_NAMESPACE();
#endif  // HWY_TARGET != HWY_SCALAR

#endif  // QUORIX_IMAGING_KERNEL_BATCH_INL_H_
