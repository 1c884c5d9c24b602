; Kelp blades waving in the current: each vertex is pushed sideways in proportion to the square
; of its height above the blade's foot, so the tips sway most and the feet stay put.
;   v0 position, v3 normal, v7 texture coordinates
;   c0-c3 world x view x projection, c4-c7 world (both transposed)
;   c8 direction of the nearest light, c9 its diffuse colour, c10 its ambient colour
;   c11 the material's diffuse colour
;   c12 sway: x and z push per squared unit of height (from the time), 0, 1
;   c13 the height of the feet (y), 1 / the blade length, 0, 1
vs.1.1
add r0.x, v0.y, -c13.x
mul r0.x, r0.x, c13.y
mul r0.x, r0.x, r0.x
mov r1, v0
mad r1.x, c12.x, r0.x, v0.x
mad r1.z, c12.y, r0.x, v0.z
m4x4 oPos, r1, c0
m3x3 r2.xyz, v3, c4
dp3 r3.x, r2, -c8
max r3.x, r3.x, -r3.x
mov r4, c10
mad r4, c9, r3.x, r4
mul oD0, r4, c11
mov oT0.xy, v7
