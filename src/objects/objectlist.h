// A list of objects that the battle steps in one pass. The pass runs from the last element
// to the first, so an element may remove itself (or later elements) while it is called.
#pragma once

#include <cstddef>
#include <vector>

template <class T>
class ObjectList : public std::vector<T*> {
 public:
  // Calls each element's Update with the argument, last to first.
  template <class Argument>
  void CallAllReverse(const Argument& argument) {
    for (size_t i = this->size(); i-- > 0;)
      if (i < this->size()) (*this)[i]->Update(argument);
  }
};
