// The error the image encoders and readers throw.
#pragma once

#include <stdexcept>

namespace velmora {

// An image that cannot be encoded or read; what() says which and why.
class ImageFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace velmora
