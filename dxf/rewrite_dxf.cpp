#include "dxf/rewrite_dxf.hpp"

namespace kelvrin::dxf {

PassResult rewrite_dxf(const std::string& input_path, const std::string& output_path,
                       const transform::PointOperation& operation, const PassOptions& options) {
  if (options.policy == RewritePolicy::dxf_aware) {
    return rewrite_aware(input_path, output_path, operation, options);
  }
  SequentialPoints points(operation);
  return rewrite_literal(input_path, output_path, points, options);
}

}  // namespace kelvrin::dxf
