// Process-wide objects that code running late in exit can still reach.
//
// A function-local static is destroyed at exit in the reverse order of
// construction. An application object built before it (a namespace-scope
// pointer that holds an effect object, say) is therefore destroyed after it,
// and whatever that object's destructor reaches through it would be gone. An
// object built through LastingStatic lives in storage that is never
// released: where a function-local static built at the same moment would be
// destroyed, its Close() runs instead, and the object stays in place, closed,
// for whatever comes later.
#pragma once

#include <new>
#include <utility>

namespace TarvoFX {

template <typename T>
class LastingStatic {
public:
    // The object, built from the arguments on the first call (thread-safe,
    // like a function-local static); later calls ignore them. Close is
    // registered right after the object is complete, just as the static's
    // destruction would be. Costs what a function-local static costs.
    template <typename... Args>
    static T& Instance(Args&&... args) {
        static const Builder s_builder(std::forward<Args>(args)...);
        return *std::launder(reinterpret_cast<T*>(s_abStorage));
    }

private:
    // Builds the object in the storage; its destruction closes the object.
    class Builder {
    public:
        template <typename... Args>
        explicit Builder(Args&&... args) {
            new (s_abStorage) T(std::forward<Args>(args)...);
        }
        ~Builder() { std::launder(reinterpret_cast<T*>(s_abStorage))->Close(); }
        Builder(const Builder&) = delete;
        Builder& operator=(const Builder&) = delete;
    };

    alignas(T) static inline unsigned char s_abStorage[sizeof(T)];
};

}  // namespace TarvoFX
