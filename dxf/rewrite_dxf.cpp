#include "dxf/rewrite_dxf.hpp"

#include <cmath>

#include "dxf/external_files.hpp"

namespace kelvrin::dxf {
namespace {

bool finite(transform::PlanarPoint point) {
  return std::isfinite(point.x) && std::isfinite(point.y);
}

// Whatever the transformation (a polynomial, a grid of any values, a
// parameter file of any coefficients), no "inf" or "nan" reaches a drawing:
// a result that is not a finite number is an arithmetic failure.
class FiniteResults final : public transform::PointOperation {
 public:
  explicit FiniteResults(const PointOperation& operation) : operation_(operation) {}

  transform::PointResult forward(transform::PlanarPoint source) const override {
    transform::PointResult result = operation_.forward(source);
    if (result.status == transform::PointStatus::ok && !finite(result.point)) {
      result.status = transform::PointStatus::arithmetic_failure;
    }
    return result;
  }
  transform::PointStatus check_x(double x) const override { return operation_.check_x(x); }
  double initial_x() const override { return operation_.initial_x(); }
  bool concurrent() const override { return operation_.concurrent(); }
  // The derivative by differences of the checked forward() above.

 private:
  const PointOperation& operation_;
};

}  // namespace

PassResult rewrite_dxf(const PassFile& input, const PassFile& output,
                       const transform::PointOperation& operation, const PassOptions& options) {
  const FiniteResults checked(operation);
  const transform::PointOperation& finite =
      operation.finite_results() ? operation
                                 : static_cast<const transform::PointOperation&>(checked);
  if (options.policy == RewritePolicy::dxf_aware) {
    return rewrite_aware(input, output, finite, options);
  }
  PassResult result = rewrite_literal(input, output, finite, options);
  if (result.completed() && options.list_external_files) {
    result.report.external_files = list_external_files(input, options.buffer_size);
  }
  return result;
}

}  // namespace kelvrin::dxf
