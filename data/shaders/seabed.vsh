; The seabed: lit sand with the caustic web laid over it from above, drifting with time, and fog
; worked out from the distance to the camera.
;   v0 position, v3 normal, v7 texture coordinates
;   c0-c3 world x view x projection, c4-c7 world (both transposed)
;   c8 direction of the nearest light, c9 its diffuse colour, c10 its ambient colour
;   c11 the material's diffuse colour
;   c12 caustic drift: u offset, v offset, scale, 0
;   c13 camera position
;   c14 fog: end distance, 1 / (end - start), 0, 1
vs.1.1
m4x4 oPos, v0, c0
m4x3 r0.xyz, v0, c4
m3x3 r1.xyz, v3, c4
dp3 r2.x, r1, -c8
max r2.x, r2.x, c14.z
mov r3, c10
mad r3, c9, r2.x, r3
mul oD0, r3, c11
mov oT0.xy, v7
mad oT1.xy, r0.xz, c12.zz, c12.xy
add r4.xyz, r0, -c13
dp3 r4.x, r4, r4
rsq r4.y, r4.x
mul r4.x, r4.x, r4.y
add r4.x, c14.x, -r4.x
mul oFog.x, r4.x, c14.y
