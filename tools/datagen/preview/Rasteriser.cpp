#include "Rasteriser.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace datagen {
namespace {

constexpr int kSupersample = 3;

Vec3 lerp3(const Vec3& a, const Vec3& b, const Vec3& c, double wa, double wb, double wc) {
  return a * wa + b * wb + c * wc;
}

}  // namespace

Rasteriser::Rasteriser(int width, int height, const PreviewCamera& camera,
                       const RgbImage& background)
    : width_(width * kSupersample), height_(height * kSupersample), camera_(camera) {
  forward_ = normalize(camera.at - camera.eye);
  right_ = normalize(cross(camera.up, forward_));
  up_ = cross(forward_, right_);
  focal_ = (height_ / 2.0) / std::tan(camera.fovY / 2);
  colour_.resize(size_t(width_) * height_);
  depth_.assign(colour_.size(), std::numeric_limits<double>::infinity());
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      Vec3 c{0.02, 0.02, 0.04};
      if (background.width > 0) {
        int bx = x * background.width / width_, by = y * background.height / height_;
        const uint8_t* p = &background.pixels[(size_t(by) * background.width + bx) * 3];
        c = {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0};
      }
      colour_[size_t(y) * width_ + x] = c;
    }
  }
}

bool Rasteriser::project(Vec3 p, Projected& out) const {
  Vec3 d = p - camera_.eye;
  double z = dot(d, forward_);
  if (z < 0.01) return false;
  out = {width_ / 2.0 + focal_ * dot(d, right_) / z, height_ / 2.0 - focal_ * dot(d, up_) / z, z};
  return true;
}

Vec3 Rasteriser::shade(const ShadedVertex& v) const {
  Vec3 n = normalize(v.normal);
  Vec3 toEye = normalize(camera_.eye - v.position);
  Vec3 toKey = normalize(camera_.eye + right_ * -6 + up_ * 8 - v.position);
  if (dot(n, toEye) < 0) n = n * -1;  // the engine draws both sides; light the one we see
  double key = std::max(0.0, dot(n, toKey));
  double fill = 0.35 * std::max(0.0, dot(n, normalize(Vec3{0.6, 0.3, 1})));
  Vec3 half = normalize(toKey + toEye);
  double highlight = key > 0 ? std::pow(std::max(0.0, dot(n, half)), v.specularPower) : 0;
  return v.diffuse * (0.12 + key + fill) + v.specular * highlight;
}

void Rasteriser::drawTriangle(const ShadedVertex& a, const ShadedVertex& b, const ShadedVertex& c) {
  Projected pa, pb, pc;
  if (!project(a.position, pa) || !project(b.position, pb) || !project(c.position, pc)) return;
  double area = (pb.x - pa.x) * (pc.y - pa.y) - (pc.x - pa.x) * (pb.y - pa.y);
  if (std::fabs(area) < 1e-12) return;
  int x0 = std::max(0, int(std::floor(std::min({pa.x, pb.x, pc.x}))));
  int x1 = std::min(width_ - 1, int(std::ceil(std::max({pa.x, pb.x, pc.x}))));
  int y0 = std::max(0, int(std::floor(std::min({pa.y, pb.y, pc.y}))));
  int y1 = std::min(height_ - 1, int(std::ceil(std::max({pa.y, pb.y, pc.y}))));
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      double px = x + 0.5, py = y + 0.5;
      double wa = ((pb.x - px) * (pc.y - py) - (pc.x - px) * (pb.y - py)) / area;
      double wb = ((pc.x - px) * (pa.y - py) - (pa.x - px) * (pc.y - py)) / area;
      double wc = 1 - wa - wb;
      if (wa < 0 || wb < 0 || wc < 0) continue;
      // Perspective-correct weights from the screen-space ones.
      double qa = wa / pa.depth, qb = wb / pb.depth, qc = wc / pc.depth, q = qa + qb + qc;
      double depth = 1 / q;
      size_t i = size_t(y) * width_ + x;
      if (depth >= depth_[i]) continue;
      depth_[i] = depth;
      qa /= q, qb /= q, qc /= q;
      ShadedVertex v;
      v.position = lerp3(a.position, b.position, c.position, qa, qb, qc);
      v.normal = lerp3(a.normal, b.normal, c.normal, qa, qb, qc);
      v.diffuse = lerp3(a.diffuse, b.diffuse, c.diffuse, qa, qb, qc);
      v.specular = lerp3(a.specular, b.specular, c.specular, qa, qb, qc);
      v.specularPower = a.specularPower;
      colour_[i] = shade(v);
    }
  }
}

RgbImage Rasteriser::resolve() const {
  RgbImage image;
  image.width = width_ / kSupersample;
  image.height = height_ / kSupersample;
  image.pixels.resize(size_t(image.width) * image.height * 3);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      Vec3 sum;
      for (int sy = 0; sy < kSupersample; ++sy) {
        for (int sx = 0; sx < kSupersample; ++sx) {
          sum = sum + colour_[size_t(y * kSupersample + sy) * width_ + x * kSupersample + sx];
        }
      }
      sum = sum * (1.0 / (kSupersample * kSupersample));
      uint8_t* out = &image.pixels[(size_t(y) * image.width + x) * 3];
      out[0] = uint8_t(std::lround(std::clamp(sum.x, 0.0, 1.0) * 255));
      out[1] = uint8_t(std::lround(std::clamp(sum.y, 0.0, 1.0) * 255));
      out[2] = uint8_t(std::lround(std::clamp(sum.z, 0.0, 1.0) * 255));
    }
  }
  return image;
}

}  // namespace datagen
