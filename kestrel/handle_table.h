// Opaque 32-bit handles for the engine's objects.
#pragma once

#include "kestrel/kestrel.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

namespace kestrel {

// Hands out handle numbers that are unique across every family, so a
// handle of one family is never taken for an object of another, and never
// reused while the process lives (a stale handle is refused, not aliased).
kestrel_handle nextHandleNumber();

// The live objects of one family. Lookups and removals are locked so that a
// stray call from another thread cannot corrupt the table; using the object
// itself is the caller's business (one thread per handle).
template <typename T>
class HandleTable {
public:
    kestrel_handle add(std::unique_ptr<T> object) {
        if (!object)
            return 0;
        const kestrel_handle handle = nextHandleNumber();
        std::lock_guard lock(mutex_);
        objects_.emplace(handle, std::move(object));
        return handle;
    }

    // The object behind `handle`, or null when there is none.
    T* find(kestrel_handle handle) {
        std::lock_guard lock(mutex_);
        auto it = objects_.find(handle);
        return it == objects_.end() ? nullptr : it->second.get();
    }

    // Removes the object and hands it back (null when unknown); the caller
    // destroys it outside the lock.
    std::unique_ptr<T> take(kestrel_handle handle) {
        std::lock_guard lock(mutex_);
        auto it = objects_.find(handle);
        if (it == objects_.end())
            return nullptr;
        std::unique_ptr<T> object = std::move(it->second);
        objects_.erase(it);
        return object;
    }

private:
    std::mutex mutex_;
    std::map<kestrel_handle, std::unique_ptr<T>> objects_;
};

}  // namespace kestrel
