#include "core/proj_procedures.hpp"

#include <cstdio>
#include <string>

#include "core/messages.hpp"
#include "platform/utf8_path.hpp"
#include "transform/proj_operation.hpp"

namespace kelvrin::core {
namespace {

// The three projections as the EPSG registry defines them (EPSG:3763,
// EPSG:27493, EPSG:5018): one Transverse Mercator origin for the two
// Hayford-Gauss systems on the International 1924 ellipsoid, the false
// origin of Datum 73 (180.598 m, -86.990 m), and PT-TM06 on GRS80.
struct Ntv2System {
  const char* projection;
  const char* grid;  // to ETRS89; none for ETRS89 itself
};

constexpr Ntv2System etrs89_tm06{
    "+proj=tmerc +lat_0=39.66825833333333 +lon_0=-8.133108333333334 +k=1 +x_0=0 +y_0=0 "
    "+ellps=GRS80",
    nullptr};
constexpr Ntv2System datum_73{
    "+proj=tmerc +lat_0=39.66666666666666 +lon_0=-8.131906111111112 +k=1 +x_0=180.598 "
    "+y_0=-86.99 +ellps=intl",
    "D73_ETRS89_geo.gsb"};
constexpr Ntv2System datum_lisboa{
    "+proj=tmerc +lat_0=39.66666666666666 +lon_0=-8.131906111111112 +k=1 +x_0=0 +y_0=0 "
    "+ellps=intl",
    "DLX_ETRS89_geo.gsb"};

struct Ntv2Pair {
  Procedure procedure;
  const Ntv2System& from;
  const Ntv2System& to;
};

constexpr Ntv2Pair ntv2_pairs[] = {
    {Procedure::ntv2_01, etrs89_tm06, datum_73},
    {Procedure::ntv2_10, datum_73, etrs89_tm06},
    {Procedure::ntv2_02, etrs89_tm06, datum_lisboa},
    {Procedure::ntv2_20, datum_lisboa, etrs89_tm06},
    {Procedure::ntv2_12, datum_73, datum_lisboa},
    {Procedure::ntv2_21, datum_lisboa, datum_73},
};

const Ntv2Pair* ntv2_pair(Procedure procedure) {
  for (const Ntv2Pair& pair : ntv2_pairs) {
    if (pair.procedure == procedure) return &pair;
  }
  return nullptr;
}

// Inverse projection, the source datum's grid to ETRS89, the target
// datum's grid back, the projection of the target.
std::string pipeline(const Ntv2Pair& pair) {
  std::string text = "+proj=pipeline +step +inv " + std::string(pair.from.projection);
  if (pair.from.grid != nullptr)
    text += " +step +proj=hgridshift +grids=" + std::string(pair.from.grid);
  if (pair.to.grid != nullptr)
    text += " +step +inv +proj=hgridshift +grids=" + std::string(pair.to.grid);
  return text + " +step " + pair.to.projection;
}

LoadedProcedure refused(ProcedureContext& context, const transform::ProjError& why) {
  stop_with_message(context, messages::proj_refused(context.source_name, context.target_name, why));
  return {};
}

// A point PROJ cannot transform fails the step, told with its place.
LoadedProcedure loaded_proj(std::unique_ptr<transform::ProjOperation> operation) {
  LoadedProcedure loaded;
  loaded.rejected = RejectedPoint::told_with_place;
  loaded.operation = std::move(operation);
  return loaded;
}

}  // namespace

std::string ntv2_pipeline(Procedure procedure) {
  const Ntv2Pair* pair = ntv2_pair(procedure);
  return pair != nullptr ? pipeline(*pair) : std::string();
}

std::string ntv2_source_projection(Procedure procedure) {
  const Ntv2Pair* pair = ntv2_pair(procedure);
  return pair != nullptr ? pair->from.projection : std::string();
}

LoadedProcedure load_ntv2_procedure(Procedure procedure, ProcedureContext& context) {
  const Ntv2Pair* pair = ntv2_pair(procedure);
  if (pair == nullptr) return {};
  for (const char* grid : {pair->from.grid, pair->to.grid}) {
    if (grid != nullptr && !can_open(platform::utf8_of(context.data_folder / grid))) {
      stop_with_message(context, messages::missing_ntv2_grid(grid));
      return {};
    }
  }
  auto made = transform::ProjOperation::from_pipeline(pipeline(*pair),
                                                      {platform::utf8_of(context.data_folder)});
  if (!made.operation) return refused(context, made.error);
  return loaded_proj(std::move(made.operation));
}

LoadedProcedure load_proj_procedure(ProcedureContext& context) {
  auto made = transform::ProjOperation::between(context.proj_source, context.proj_target,
                                                {platform::utf8_of(context.data_folder)});
  if (!made.operation) return refused(context, made.error);
  const transform::ProjOperation& operation = *made.operation;
  const std::string& source = context.source_name;
  const std::string& target = context.target_name;
  if (operation.ballpark() && !context.allow_ballpark) {
    stop_with_message(context, messages::proj_ballpark_refused(source, target, operation.name()));
    return {};
  }
  context.host.show_message(
      messages::proj_operation(source, target, operation.name(), operation.accuracy()),
      messages::application_title, MessageKind::information);
  LoadedProcedure loaded = loaded_proj(std::move(made.operation));
  loaded.proj_route = &operation;
  loaded.target_in_degrees = operation.target_geographic();
  return loaded;
}

}  // namespace kelvrin::core
