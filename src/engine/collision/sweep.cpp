#include "engine/collision/sweep.h"

#include <algorithm>

namespace eng::collision::geom {
namespace {

// Contacts closer in time than this count as simultaneous; among those a face
// beats an edge beats a vertex, then the first one found wins.
constexpr double kTie = 1e-9;

D3 unit_or(D3 v, D3 fallback) {
  double l = len(v);
  return l > 1e-12 ? v * (1 / l) : fallback;
}

bool finite(D3 p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

struct Search {
  D3 b, v;
  Hit best;
  double limit() const { return best.valid ? best.t + kTie : 1.0; }
  void consider(double t, Feature kind, D3 point, D3 normal, int owner, int index) {
    if (best.valid) {
      bool earlier = t < best.t - kTie;
      bool same_time_better = t <= best.t + kTie && kind < best.kind;
      if (!earlier && !same_time_better) return;
    } else if (t > 1.0) {
      return;
    }
    best = {true, std::max(0.0, t), point, normal, kind, owner, index};
  }
};

// Unit normal of a triangle, or false when it has no area worth the name.
bool tri_normal(const Tri& tr, D3& n) {
  D3 e1 = tr.b - tr.a, e2 = tr.c - tr.a;
  D3 c = cross(e1, e2);
  double l = len(c);
  double scale = len(e1) * len(e2);
  if (!(l > 1e-12 * scale) || !(l > 0)) return false;
  n = c * (1 / l);
  return true;
}

// Point p known to lie in the triangle's plane: inside or on the border?
bool inside(const Tri& tr, D3 p) {
  D3 v0 = tr.c - tr.a, v1 = tr.b - tr.a, v2 = p - tr.a;
  double d00 = dot(v0, v0), d01 = dot(v0, v1), d02 = dot(v0, v2);
  double d11 = dot(v1, v1), d12 = dot(v1, v2);
  double den = d00 * d11 - d01 * d01;
  if (!(den > 0)) return false;
  double u = (d11 * d02 - d01 * d12) / den;
  double w = (d00 * d12 - d01 * d02) / den;
  constexpr double tol = 1e-9;
  return u >= -tol && w >= -tol && u + w <= 1 + tol;
}

void sweep_tri(Search& s, const Tri& tr) {
  D3 n;
  if (!tri_normal(tr, n)) return;
  const D3 b = s.b, v = s.v;
  double dist = dot(n, b - tr.a);
  if (dist < 0) return;  // centre behind the face: one-sided, let it drive out
  double w = dot(n, v);
  if (w > 0) return;  // moving away from the plane
  double vv = dot(v, v);
  bool parallel = std::fabs(w) <= 1e-9 * std::sqrt(vv);
  double t0 = 0;
  if (parallel) {
    if (dist >= 1) return;
  } else if (dist >= 1) {
    t0 = (dist - 1) / -w;
    if (t0 > 1) return;
  }
  if (t0 > s.limit()) return;

  if (dist < 1) {
    // Already overlapping the plane; if over the face itself, only motion
    // into it is blocked, and nothing else of this triangle matters.
    D3 foot = b - n * dist;
    if (inside(tr, foot)) {
      if (!parallel) s.consider(0, Feature::Face, foot, n, tr.owner, tr.index);
      return;
    }
  } else {
    D3 k = b + v * t0 - n;
    if (inside(tr, k)) {
      s.consider(t0, Feature::Face, k, n, tr.owner, tr.index);
      return;
    }
  }

  // Vertices: |b + t v - p| = 1.
  const D3 verts[3] = {tr.a, tr.b, tr.c};
  for (const D3& p : verts) {
    D3 g = b - p;
    double c = dot(g, g) - 1;
    if (c < 0) {
      D3 n0 = unit_or(g, n);
      if (dot(v, n0) < 0) s.consider(0, Feature::Vertex, p, n0, tr.owner, tr.index);
      continue;
    }
    double bq = 2 * dot(v, g);
    double disc = bq * bq - 4 * vv * c;
    if (disc < 0) continue;
    double t = (-bq - std::sqrt(disc)) / (2 * vv);
    if (t < 0 || t > s.limit()) continue;
    s.consider(t, Feature::Vertex, p, unit_or(b + v * t - p, n), tr.owner, tr.index);
  }

  // Edges: distance from the infinite line = 1, contact within the segment.
  for (int i = 0; i < 3; ++i) {
    D3 p = verts[i], e = verts[(i + 1) % 3] - p;
    D3 g = b - p;
    double ee = dot(e, e);
    if (!(ee > 1e-18)) continue;
    double eg = dot(e, g), ev = dot(e, v);
    double c = ee * (dot(g, g) - 1) - eg * eg;
    if (c < 0) {
      double f0 = eg / ee;
      if (f0 >= 0 && f0 <= 1) {
        D3 k0 = p + e * f0;
        D3 n0 = unit_or(b - k0, n);
        if (dot(v, n0) < 0) s.consider(0, Feature::Edge, k0, n0, tr.owner, tr.index);
      }
      continue;
    }
    double a = ee * vv - ev * ev;
    if (!(a > 1e-12 * ee * vv)) continue;  // moving along the edge: its vertices cover it
    double bq = 2 * (ee * dot(g, v) - eg * ev);
    double disc = bq * bq - 4 * a * c;
    if (disc < 0) continue;
    double t = (-bq - std::sqrt(disc)) / (2 * a);
    if (t < 0 || t > s.limit()) continue;
    double f = (eg + ev * t) / ee;
    if (f < 0 || f > 1) continue;
    D3 k = p + e * f;
    s.consider(t, Feature::Edge, k, unit_or(b + v * t - k, n), tr.owner, tr.index);
  }
}

// The centre as a point against the obstacle's reach ellipsoid.
void sweep_blob(Search& s, const Blob& bl) {
  if (!(bl.r.x > 0 && bl.r.y > 0 && bl.r.z > 0)) return;
  D3 g = div(s.b - bl.c, bl.r), w = div(s.v, bl.r);
  double c = dot(g, g) - 1;
  if (c < 0) {
    D3 n0 = unit_or(div(g, bl.r), {0, 0, 0});
    if (dot(s.v, n0) < 0) s.consider(0, Feature::Blob, s.b - n0, n0, bl.owner, 0);
    return;
  }
  double a = dot(w, w);
  if (!(a > 0)) return;
  double bq = 2 * dot(g, w);
  double disc = bq * bq - 4 * a * c;
  if (disc < 0) return;
  double t = (-bq - std::sqrt(disc)) / (2 * a);
  if (t < 0 || t > s.limit()) return;
  D3 at = s.b + s.v * t;
  D3 n = unit_or(div(div(at - bl.c, bl.r), bl.r), {0, 0, 0});
  s.consider(t, Feature::Blob, at - n, n, bl.owner, 0);
}

// Closest point of a triangle to p (regions of the vertices, edges, face).
D3 closest_on_tri(const Tri& tr, D3 p) {
  D3 ab = tr.b - tr.a, ac = tr.c - tr.a, ap = p - tr.a;
  double d1 = dot(ab, ap), d2 = dot(ac, ap);
  if (d1 <= 0 && d2 <= 0) return tr.a;
  D3 bp = p - tr.b;
  double d3 = dot(ab, bp), d4 = dot(ac, bp);
  if (d3 >= 0 && d4 <= d3) return tr.b;
  double vc = d1 * d4 - d3 * d2;
  if (vc <= 0 && d1 >= 0 && d3 <= 0) return tr.a + ab * (d1 / (d1 - d3));
  D3 cp = p - tr.c;
  double d5 = dot(ab, cp), d6 = dot(ac, cp);
  if (d6 >= 0 && d5 <= d6) return tr.c;
  double vb = d5 * d2 - d1 * d6;
  if (vb <= 0 && d2 >= 0 && d6 <= 0) return tr.a + ac * (d2 / (d2 - d6));
  double va = d3 * d6 - d5 * d4;
  if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
    return tr.b + (tr.c - tr.b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
  double den = 1 / (va + vb + vc);
  return tr.a + ab * (vb * den) + ac * (vc * den);
}

// Where to park after a hit: on the free part of the swept segment, far enough
// back that the gap along the contact normal is the skin. Backing off along the
// motion (not stepping out along the normal) keeps the point on a path already
// known to be clear, so the padding can never push into a neighbouring surface.
// A mover already within the skin, or grazing, stays where it started.
D3 back_off(D3 pos, D3 vel, const Hit& h) {
  double closing = -dot(h.normal, vel);
  double t = closing > 1e-12 ? h.t - kSkin / closing : 0;
  return t > 0 ? pos + vel * t : pos;
}

}  // namespace

Hit sweep(D3 b, D3 v, const std::vector<Tri>& tris, const std::vector<Blob>& blobs) {
  Search s{b, v, {}};
  if (!(dot(v, v) > 0)) return s.best;
  for (const Tri& tr : tris) sweep_tri(s, tr);
  for (const Blob& bl : blobs) sweep_blob(s, bl);
  return s.best;
}

D3 move(D3 b, D3 v, const std::vector<Tri>& tris, const std::vector<Blob>& blobs,
        const std::function<bool(int)>& stops, std::vector<Touch>& touches) {
  D3 pos = b, vel = v;
  D3 planes[kMaxIterations];
  int nplanes = 0;
  for (int iter = 0; iter < kMaxIterations; ++iter) {
    if (iter > 0 && len(vel) < kSkin) break;  // what is left of a slide is too small to matter
    Hit h = sweep(pos, vel, tris, blobs);
    if (!h.valid) {
      pos = pos + vel;
      break;
    }
    touches.push_back({h.owner, h.index, h.point, h.normal});
    D3 target = pos + vel;
    pos = back_off(pos, vel, h);
    if (stops(h.owner)) break;

    D3 rest = target - pos;
    D3 n = h.normal;
    D3 slide = rest - n * dot(rest, n);
    double tol = 1e-9 * len(rest);
    for (int i = 0; i < nplanes; ++i) {
      if (dot(slide, planes[i]) >= -tol) continue;
      // The slide runs back into an earlier plane: follow the crease instead.
      D3 d = cross(planes[i], n);
      double dl = len(d);
      if (dl < 1e-9) {
        slide = {};
        break;
      }
      d = d * (1 / dl);
      slide = d * dot(rest, d);
      for (int j = 0; j < nplanes; ++j)
        if (j != i && dot(slide, planes[j]) < -tol) slide = {};
      break;
    }
    planes[nplanes++] = n;
    vel = slide;
  }
  return finite(pos) ? pos : b;
}

D3 push_out(D3 b, const std::vector<Tri>& tris, const std::vector<Blob>& blobs,
            const std::function<bool(int)>& pushable, double max_push, std::vector<Touch>& touches) {
  D3 pos = b;
  double budget = max_push;
  for (int pass = 0; pass < 4 && budget > 0; ++pass) {
    // Deepest overlap among the obstacles allowed to push.
    double depth = 0;
    D3 out, point;
    int owner = -1, index = -1;
    for (const Tri& tr : tris) {
      if (!pushable(tr.owner)) continue;
      D3 n;
      if (!tri_normal(tr, n)) continue;
      if (dot(n, pos - tr.a) < 0) continue;  // behind a one-sided face: no push
      D3 k = closest_on_tri(tr, pos);
      double d = len(pos - k);
      if (d >= 1 || 1 + kSkin - d <= depth) continue;
      depth = 1 + kSkin - d;
      out = unit_or(pos - k, n);
      point = k;
      owner = tr.owner;
      index = tr.index;
    }
    for (const Blob& bl : blobs) {
      if (!pushable(bl.owner) || !(bl.r.x > 0 && bl.r.y > 0 && bl.r.z > 0)) continue;
      D3 rel = pos - bl.c;
      double g = len(div(rel, bl.r));
      if (g >= 1 || g < 1e-9) continue;
      // Scale out along the ray from the centre to the skin-padded surface.
      D3 dest = bl.c + rel * ((1 + kSkin) / g);
      double d = len(dest - pos);
      if (d <= depth) continue;
      depth = d;
      out = (dest - pos) * (1 / d);
      point = pos - unit_or(div(div(rel, bl.r), bl.r), out);
      owner = bl.owner;
      index = 0;
    }
    if (owner < 0) break;
    double step = std::min(depth, budget);
    budget -= step;
    D3 push = out * step;
    touches.push_back({owner, index, point, out});
    // The push is swept like any move: if something else is in the way it
    // slides along that (out of a squeeze sideways) and never passes through.
    D3 before = pos;
    pos = move(pos, push, tris, blobs, [](int) { return false; }, touches);
    if (len(pos - before) < 1e-9) break;  // wedged: the mover has to drive out itself
  }
  return finite(pos) ? pos : b;
}

}  // namespace eng::collision::geom
