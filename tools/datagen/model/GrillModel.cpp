#include "GrillModel.h"

#include <cmath>
#include <numbers>

namespace datagen {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr Vec3 kUp{0, 1, 0};

// Sizes in model units. The slab lies on y = 0; the bowl is the lower half of a sphere whose
// centre is at kBowlCentreY; the lid's dome sits on the rim and its vent is the highest point.
constexpr double kSlabRadius = 48, kSlabTop = 5;
constexpr double kBowlRadius = 30, kBowlCentreY = 66;
constexpr double kRimRadius = 32.2, kRimBottom = 67, kRimTop = 68.6;
constexpr double kDomeRadius = 31.4, kDomeHeight = 28.4;
constexpr double kWheelRadius = 9, kWheelWidth = 4, kAxleY = kSlabTop + kWheelRadius;
constexpr double kLegTopRadius = 15.5, kLegTopY = 41.5, kLegFootRadius = 30;
constexpr double kAxleZ = 15;  // -kLegFootRadius * cos(120 degrees)

enum Material { kStone, kEnamel, kSteel, kRubber, kWood };

MeshPart newPart(const char* name, Material material) {
  MeshPart part;
  part.name = name;
  part.material = material;
  return part;
}

// Where a leg meets the ground side, for a leg at angle a from the front (-z) about y.
Vec3 legFoot(double a, double y) {
  return {kLegFootRadius * std::sin(a), y, -kLegFootRadius * std::cos(a)};
}
Vec3 legTop(double a) {
  return {kLegTopRadius * std::sin(a), kLegTopY, -kLegTopRadius * std::cos(a)};
}

MeshPart slab() {
  MeshPart m = newPart("Slab", kStone);
  addLathe(m, {0, 0, 0}, kUp,
           {{{0, 0}, {kSlabRadius, 0}},
            {{kSlabRadius, 0}, {kSlabRadius, kSlabTop - 0.8}},
            {{kSlabRadius, kSlabTop - 0.8}, {kSlabRadius - 1.2, kSlabTop}},
            {{kSlabRadius - 1.2, kSlabTop}, {0, kSlabTop}}},
           36);
  return m;
}

MeshPart legs() {
  MeshPart m = newPart("Legs", kSteel);
  const double rear = 2 * kPi / 3;
  addCylinder(m, legTop(0), legFoot(0, kSlabTop + 1.5), 1.6, 10);
  addCylinder(m, legTop(rear), legFoot(rear, kAxleY), 1.6, 10);
  addCylinder(m, legTop(-rear), legFoot(-rear, kAxleY), 1.6, 10);
  addCylinder(m, legFoot(0, kSlabTop), legFoot(0, kSlabTop + 1.5), 2.6, 12);  // foot
  double axleEnd = legFoot(rear, 0).x + 3.5;
  addCylinder(m, {-axleEnd, kAxleY, kAxleZ}, {axleEnd, kAxleY, kAxleZ}, 0.9, 10);
  addCylinder(m, {0, 27, 0}, {0, 28.2, 0}, 21.5, 36);  // ash plate between the legs
  return m;
}

// A wheel whose inner face lies at inner and whose axis points outward along outward.
void addWheel(MeshPart& m, Vec3 inner, Vec3 outward) {
  const double tread = kWheelRadius - kWheelWidth / 2;
  addLathe(
      m, inner, outward,
      {{{0, 0}, {tread, 0}},
       ellipseArc(tread, kWheelWidth / 2, kWheelWidth / 2, kWheelWidth / 2, -kPi / 2, kPi / 2, 6),
       {{tread, kWheelWidth}, {0, kWheelWidth}}},
      20);
  addCylinder(m, inner + outward * kWheelWidth, inner + outward * (kWheelWidth + 1.2), 3, 16);
}

MeshPart wheels() {
  MeshPart m = newPart("Wheels", kRubber);
  double x = legFoot(2 * kPi / 3, 0).x + 3.5;
  addWheel(m, {x, kAxleY, kAxleZ}, {1, 0, 0});
  addWheel(m, {-x, kAxleY, kAxleZ}, {-1, 0, 0});
  return m;
}

MeshPart bowl() {
  MeshPart m = newPart("Bowl", kEnamel);
  ProfileStrip shell = ellipseArc(0, kBowlCentreY, kBowlRadius, kBowlRadius, -kPi / 2, 0, 12);
  shell.push_back({kBowlRadius + 1.2, kBowlCentreY + 0.6});
  shell.push_back({kRimRadius - 0.2, kRimBottom + 0.5});
  addLathe(m, {0, 0, 0}, kUp, {shell}, 32);
  addCylinder(m, {0, kBowlCentreY - kBowlRadius - 1, 0}, {0, kBowlCentreY - kBowlRadius + 1, 0}, 7,
              24);  // ash vent
  return m;
}

MeshPart lid() {
  MeshPart m = newPart("Lid", kEnamel);
  addLathe(m, {0, 0, 0}, kUp,
           {{{kRimRadius, kRimBottom}, {kRimRadius, kRimTop}},
            {{kRimRadius, kRimTop}, {kDomeRadius, kRimTop}},
            ellipseArc(0, kRimTop, kDomeRadius, kDomeHeight, 0, kPi / 2, 12)},
           32);
  double top = kRimTop + kDomeHeight;
  addCylinder(m, {0, top - 1, 0}, {0, top + 2.6, 0}, 6, 24);  // vent
  return m;
}

// Distance of the dome's surface from the axis at height y (between the rim and the top).
double domeRadiusAt(double y) {
  double s = (y - kRimTop) / kDomeHeight;
  return kDomeRadius * std::sqrt(1 - s * s);
}

MeshPart handles() {
  MeshPart m = newPart("Handles", kWood);
  for (double side : {-1.0, 1.0}) {  // the bowl's carrying handles, left and right
    double x = side * 37, y = 61;
    addCylinder(m, {x, y, -8}, {x, y, 8}, 2.2, 12);
    for (double z : {-5.0, 5.0}) addCylinder(m, {side * 28.5, y, z}, {x, y, z}, 1.0, 8);
  }
  double y = 86, front = -(domeRadiusAt(y) + 6.5);  // the lid's handle, at its front
  addCylinder(m, {-10, y, front}, {10, y, front}, 2.2, 12);
  for (double x : {-7.0, 7.0}) addCylinder(m, {x, y, -domeRadiusAt(y) + 1}, {x, y, front}, 1.1, 8);
  return m;
}

}  // namespace

GrillModel buildGrillModel() {
  GrillModel model;
  model.materials = {
      {"Stone", {0.056, 0.053, 0.05, 0.1}, 8, {0.04, 0.04, 0.04}, "kivei.jpg"},
      {"Enamel", {0.078, 0.012, 0.008, 0.1}, 60, {0.33, 0.33, 0.33}, ""},
      {"Steel", {0.055, 0.057, 0.06, 0.1}, 40, {0.3, 0.3, 0.3}, ""},
      {"Rubber", {0.012, 0.012, 0.014, 0.1}, 6, {0.04, 0.04, 0.04}, ""},
      {"Wood", {0.06, 0.034, 0.016, 0.1}, 10, {0.06, 0.06, 0.06}, ""},
  };
  model.parts = {slab(), legs(), wheels(), bowl(), lid(), handles()};
  return model;
}

}  // namespace datagen
