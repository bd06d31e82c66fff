#pragma once
// A process-wide slot for a service that another layer provides (an image
// decoder or encoder, the renderer, the shape rasteriser): null until that
// layer installs its implementation. Install returns the previous occupant so
// that a test can put it back when it is done.
template <class T>
class CServiceSlot {
public:
    constexpr CServiceSlot() noexcept = default;
    // A slot that starts with a default occupant (constant-initialised, so it
    // is there before any other static code runs).
    constexpr explicit CServiceSlot(T* initial) noexcept : m_service(initial) {}

    T* Install(T* service) noexcept {
        T* previous = m_service;
        m_service = service;
        return previous;
    }
    T* Get() const noexcept { return m_service; }

private:
    T* m_service = nullptr;
};
