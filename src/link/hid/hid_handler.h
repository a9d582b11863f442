#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

class THidDevice;

/// A handler: a routine bound to a receiving object, like a method pointer.
/// Two handlers are the same routine when they were made from the same member
/// function (Bind) or the same lambda expression (From), whatever object or
/// captures they carry; the controller's setters compare routines only.
template <typename Signature>
class THidHandler;

template <typename R, typename... Args>
class THidHandler<R(Args...)> {
public:
    THidHandler() = default;

    /// Member function @p Fn bound to @p object; @p object must outlive every
    /// call of the handler.
    template <auto Fn, typename C>
    static THidHandler Bind(C* object)
    {
        THidHandler h;
        h.call_ = [object](Args... args) -> R { return (object->*Fn)(std::forward<Args>(args)...); };
        h.routine_ = &kRoutineTag<Fn>;
        return h;
    }

    /// A callable; handlers made from the same lambda expression count as one routine.
    template <typename F>
    static THidHandler From(F f)
    {
        THidHandler h;
        h.call_ = std::move(f);
        h.routine_ = &kCallableTag<F>;
        return h;
    }

    explicit operator bool() const { return routine_ != nullptr; }

    R operator()(Args... args) const { return call_(std::forward<Args>(args)...); }

    /// Whether both handlers run the same routine (an empty one equals only an empty one).
    bool SameRoutine(const THidHandler& other) const { return routine_ == other.routine_; }

private:
    template <auto Fn>
    static constexpr char kRoutineTag = 0;
    template <typename F>
    static constexpr char kCallableTag = 0;

    std::function<R(Args...)> call_;
    const void* routine_ = nullptr;
};

/// Input report: ReportID is byte 0 of the report, Data points at byte 1 and
/// Size counts the bytes after the ID. Data is valid only during the call.
using THidDataEvent = THidHandler<void(THidDevice& HidDev, uint8_t ReportID, const uint8_t* Data,
                                       uint16_t Size)>;
/// A read that could not be started; Error is the platform error code.
using THidDataErrorEvent = THidHandler<void(THidDevice& HidDev, uint32_t Error)>;
/// A device appeared, disappeared or was found unplugged.
using THidPlugEvent = THidHandler<void(THidDevice& HidDev)>;
/// The device's read thread ended by itself (a handler or a read failed);
/// Reason says why. Runs as posted work on the main thread.
using THidReadEndEvent = THidHandler<void(THidDevice& HidDev, const std::string& Reason)>;
/// Visit of one attached device at list position Idx; true continues.
using THidEnumerateEvent = THidHandler<bool(THidDevice& HidDev, int32_t Idx)>;
