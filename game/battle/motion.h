// Small shared steps of motion and contact.
#pragma once

namespace veyrdale {

// Pulls a velocity toward a target: v = (wNew x t + wOld x v) / (wOld + wNew), x then y. Weights
// whose sum is not positive leave the velocity as it is.
void BlendVelocity(float* vx, float* vy, float tx, float ty, int wOld, int wNew);

// True when the points, each truncated toward zero, are closer than r. A radius of 0 or below
// never hits.
bool CheckCircleHit(float x1, float y1, float x2, float y2, int r);

// True when two boxes of half-width w and half-height h centred on the points overlap; in floating
// point, without truncation.
bool CheckBoxHit(float x1, float y1, float x2, float y2, int w, int h);

}  // namespace veyrdale
