// An object of the library that is never destroyed and not on the heap:
// exports may still run during exit, after the static objects are gone, and
// an unloaded library leaves no allocation behind. As a function-local
// static ("static Lasting<State> state; return *state;") it is made on first
// use, and its destruction, which would do nothing, is never registered.
#pragma once
#include <new>

namespace dorlix {

template <class T>
class Lasting {
  public:
    Lasting() : object_(new (storage_) T()) {}
    Lasting(const Lasting&) = delete;
    Lasting& operator=(const Lasting&) = delete;
    T& operator*() const { return *object_; }

  private:
    alignas(T) unsigned char storage_[sizeof(T)];
    T* object_;
};

} // namespace dorlix
