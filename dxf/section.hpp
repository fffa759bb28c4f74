#pragma once

#include <string_view>

namespace kelvrin::dxf {

// The sections of a drawing that the passes tell apart.
enum class Section { none, header, tables, blocks, entities, objects, other };

// The section a SECTION record's name (group 2) opens.
inline Section section_named(std::string_view name) {
  if (name == "HEADER") return Section::header;
  if (name == "TABLES") return Section::tables;
  if (name == "BLOCKS") return Section::blocks;
  if (name == "ENTITIES") return Section::entities;
  if (name == "OBJECTS") return Section::objects;
  return Section::other;
}

}  // namespace kelvrin::dxf
