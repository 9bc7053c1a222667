#include "loopcost/tests/support/errorline.h"

#include <iostream>

namespace testsupport {

ErrorLineCapture::ErrorLineCapture() : saved(std::cerr.rdbuf(written.rdbuf())) {}

ErrorLineCapture::~ErrorLineCapture() { std::cerr.rdbuf(saved); }

}  // namespace testsupport
