#pragma once
// Editor-wide flags per band and for the spectrum, shared by the panels and displays. The
// flags are atomics (relaxed): the FFT flag is written on the audio thread, the rest on the
// window's event and timer threads, and a late write only delays a redraw.

#include <atomic>

namespace brindlewave {

class GlobalState {
public:
    static constexpr int kBands = 4;

    GlobalState() noexcept = default;
    GlobalState(const GlobalState&) = delete;
    GlobalState& operator=(const GlobalState&) = delete;
    virtual ~GlobalState() = default;

    // Band indices outside 0..3 are ignored (reads answer false).
    virtual void beginPanelMove(int band) noexcept;
    virtual void endPanelMove(int band) noexcept;
    virtual bool isPanelBeingMoved(int band) const noexcept;
    virtual void flagMeterToUpdate(int band, bool needsUpdate) noexcept;
    virtual bool doesMeterNeedUpdate(int band) const noexcept;

    // True while the user drags a crossover handle in the spectrum display.
    bool crossoverBeingDragged() const noexcept { return load(crossoverDragged_); }
    void setCrossoverBeingDragged(bool on) noexcept { store(crossoverDragged_, on); }
    // Set by the editor's own "+" button just before it raises the band count, so that the
    // band row makes room for the new band. A band count raised by the host (automation, a
    // preset, a saved state) leaves the crossovers it came with alone. takeBandAddedByEditor
    // answers the flag and clears it.
    void setBandAddedByEditor() noexcept { store(bandAdded_, true); }
    bool takeBandAddedByEditor() noexcept {
        return bandAdded_.exchange(false, std::memory_order_relaxed);
    }
    // Set each time the engine delivers a spectrum; cleared after a while without one.
    bool fftDataArriving() const noexcept { return load(fftData_); }
    void setFFTDataArriving(bool on) noexcept { store(fftData_, on); }
    // On (the default), the displays leave out a redraw that would show what is already on
    // screen. Off, they redraw whenever asked, as a reference the skipping is checked against.
    bool redrawsOnlyChanges() const noexcept { return load(onlyChanges_); }
    void setRedrawsOnlyChanges(bool on) noexcept { store(onlyChanges_, on); }

private:
    static bool valid(int band) noexcept { return band >= 0 && band < kBands; }
    static bool load(const std::atomic<bool>& b) noexcept {
        return b.load(std::memory_order_relaxed);
    }
    static void store(std::atomic<bool>& b, bool v) noexcept {
        b.store(v, std::memory_order_relaxed);
    }

    std::atomic<bool> crossoverDragged_{false};
    std::atomic<bool> fftData_{false};
    std::atomic<bool> bandAdded_{false};
    std::atomic<bool> onlyChanges_{true};
    std::atomic<bool> panelMoving_[kBands] = {};
    std::atomic<bool> meterNeedsUpdate_[kBands] = {};
};

// What a band display keeps between parameter changes and redraws: changes may be flagged on
// any thread and are taken on the next animation tick; a draw skipped while the band's panel
// moves is made up on the first tick after the move.
class PanelRedraw {
public:
    PanelRedraw(GlobalState* state, int band) noexcept : state_(state), band_(band) {}

    bool panelMoving() const noexcept { return state_->isPanelBeingMoved(band_); }
    // True, and a redraw noted, while the panel moves.
    bool skip() noexcept {
        if (!panelMoving()) return false;
        pending_ = true;
        return true;
    }
    // Any thread.
    void flagChange() noexcept { changed_.store(true, std::memory_order_release); }
    // On the animation tick, outside a panel move: whether to redraw, and in `changed` whether
    // a parameter changed since the last one. Either way the pending redraw is taken.
    bool take(bool& changed) noexcept {
        changed = false;
        if (panelMoving()) return false;
        changed = changed_.exchange(false, std::memory_order_acq_rel);
        if (!changed && !pending_) return false;
        pending_ = false;
        return true;
    }

private:
    GlobalState* state_;
    int band_;
    bool pending_ = false;
    std::atomic<bool> changed_{false};
};

}  // namespace brindlewave
