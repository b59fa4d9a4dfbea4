// The readers' way out after a failure they found themselves.
#include "image/read_outcome.h"

#include "base/runtime.h"

namespace vl::image {

ReadOutcome ShowReadFailure(base::Runtime& rt, ReadResult result, int message) {
  base::ShowMessage(rt, message);
  return {result, message};
}

}  // namespace vl::image
