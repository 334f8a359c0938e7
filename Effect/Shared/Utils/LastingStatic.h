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
    // Builds the object. Call it once per type, from the initialiser of a
    // function-local static: that makes construction thread-safe, and Close
    // is then registered right after the object is complete, just as the
    // static's destruction would be.
    template <typename... Args>
    static T* Create(Args&&... args) {
        alignas(T) static unsigned char s_abStorage[sizeof(T)];
        T* pObject = new (s_abStorage) T(std::forward<Args>(args)...);
        static const Closer s_closer(pObject);
        return pObject;
    }

private:
    class Closer {
    public:
        explicit Closer(T* pObject) : m_pObject(pObject) {}
        ~Closer() { m_pObject->Close(); }
        Closer(const Closer&) = delete;
        Closer& operator=(const Closer&) = delete;

    private:
        T* m_pObject;
    };
};

}  // namespace TarvoFX
