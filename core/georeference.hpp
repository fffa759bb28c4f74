#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/routes.hpp"
#include "dxf/rewrite_dxf.hpp"
#include "transform/proj_operation.hpp"

namespace kelvrin::core {

// A projected system's whole definition as AutoCAD keeps it in a drawing's
// geographic reference: its dictionary of coordinate systems in XML, the
// system, its datum, ellipsoid and shift to WGS 84 each with its EPSG alias.
std::string coordinate_system_xml(const transform::SystemDescription& system);

// The systems one step of a route converts between, for the drawing's
// geographic reference: `source` and `target` are the route's (display
// names, or what PROJ reads); a step of the mainland procedures has its own.
dxf::GeoreferenceSystems georeference_systems(Procedure step, const std::string& source,
                                              const std::string& target,
                                              const std::vector<std::string>& data_folders);

}  // namespace kelvrin::core
