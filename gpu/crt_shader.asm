; The CRT compute shader, Shader Model 5.0 assembly (assembled by tools/dxbc_asm).
; One thread per pixel, 8 x 8 threads a group; Params.operation selects the work.
;
; cb0[0] = sw, sh, ow, oh
; cb0[1] = glowThreshold, glowStrength, bloomThreshold, bloomStrength
; cb0[2] = bleedSide, bleedCenter, maskGain, persistenceGain
; cb0[3] = operation, persistenceReset, inputPitch, trueColor
; t0 A, t1 B, t2 maps, t3 chroma, t4 palette: uint buffers; t5 indexed: raw;
; t6 gpuSource: unused; u0 result.
;
; Pixels: blue bits 0-7, green 8-15, red 16-23. Unpacked pixels keep blue, green,
; red in .x, .y, .z. Padded pictures are (sw+2) x (sh+2) with a black border.
;
; Registers: r0.z = sw+2 (padded row), r0.w = sh+2, r1.x = p, r3.xyz = M and
; r3.w = lum(M), r4.xyz = the result's channels; the rest is scratch.

dcl_globalFlags refactoringAllowed
; Blur weights in .x: 9 taps (rows 0-8), then 5 taps (rows 9-13).
dcl_immediateConstantBuffer {
{ 1, 0, 0, 0 }
{ 8, 0, 0, 0 }
{ 28, 0, 0, 0 }
{ 56, 0, 0, 0 }
{ 70, 0, 0, 0 }
{ 56, 0, 0, 0 }
{ 28, 0, 0, 0 }
{ 8, 0, 0, 0 }
{ 1, 0, 0, 0 }
{ 1, 0, 0, 0 }
{ 4, 0, 0, 0 }
{ 6, 0, 0, 0 }
{ 4, 0, 0, 0 }
{ 1, 0, 0, 0 }
}
dcl_constantbuffer cb0[4], immediateIndexed
dcl_resource_buffer (uint,uint,uint,uint) t0
dcl_resource_buffer (uint,uint,uint,uint) t1
dcl_resource_buffer (uint,uint,uint,uint) t2
dcl_resource_buffer (uint,uint,uint,uint) t3
dcl_resource_buffer (uint,uint,uint,uint) t4
dcl_resource_raw t5
dcl_resource_texture2d (float,float,float,float) t6
dcl_uav_typed_buffer (uint,uint,uint,uint) u0
dcl_input vThreadID.xy
dcl_temps 14
dcl_thread_group 8, 8, 1

iadd r0.zw, cb0[0].xxxy, l(0, 0, 2, 2)          ; padded width and height

; ---- operation 9: resample through the sample map, RGB mask, output
ieq r0.x, cb0[3].x, l(9)
if_nz r0.x
  uge r0.xy, vThreadID.xyxx, cb0[0].zwzz         ; x >= ow, y >= oh
  or r0.x, r0.x, r0.y
  retc_nz r0.x
  imad r1.x, vThreadID.y, cb0[0].z, vThreadID.x  ; p = y*ow + x
  imul null, r1.y, r1.x, l(3)                    ; map entry at 3p
  iadd r1.zw, r1.yyyy, l(0, 0, 1, 2)
  ld r2.x, r1.yyyy, t2.xxxx                      ; index i
  ld r2.y, r1.zzzz, t2.xxxx                      ; w00 | w10 << 16
  ld r2.z, r1.wwww, t2.xxxx                      ; w01 | w11 << 16
  and r5.xz, r2.yyzy, l(0xffff, 0, 0xffff, 0)    ; w00, w01
  ushr r5.yw, r2.yyyz, l(0, 16, 0, 16)           ; w10, w11
  iadd r6.y, r2.x, l(1)                          ; i+1
  iadd r6.z, r2.x, r0.z                          ; i+sw+2
  iadd r6.w, r6.z, l(1)                          ; i+sw+3
  ld r7.x, r2.xxxx, t0.xxxx
  ld r7.y, r6.yyyy, t0.xxxx
  ld r7.z, r6.zzzz, t0.xxxx
  ld r7.w, r6.wwww, t0.xxxx
  ; v = sum of channel * weight, >> 8
  ushr r8.xyz, r7.xxxx, l(0, 8, 16, 0)
  and r8.xyz, r8.xyzx, l(255, 255, 255, 0)
  imul null, r9.xyz, r8.xyzx, r5.xxxx
  ushr r8.xyz, r7.yyyy, l(0, 8, 16, 0)
  and r8.xyz, r8.xyzx, l(255, 255, 255, 0)
  imad r9.xyz, r8.xyzx, r5.yyyy, r9.xyzx
  ushr r8.xyz, r7.zzzz, l(0, 8, 16, 0)
  and r8.xyz, r8.xyzx, l(255, 255, 255, 0)
  imad r9.xyz, r8.xyzx, r5.zzzz, r9.xyzx
  ushr r8.xyz, r7.wwww, l(0, 8, 16, 0)
  and r8.xyz, r8.xyzx, l(255, 255, 255, 0)
  imad r9.xyz, r8.xyzx, r5.wwww, r9.xyzx
  ushr r9.xyz, r9.xyzx, l(8, 8, 8, 0)            ; v
  imul null, r10.xyz, r9.xyzx, cb0[2].zzzz
  ushr r10.xyz, r10.xyzx, l(8, 8, 8, 0)          ; m = v * maskGain >> 8
  ; column x mod 3 keeps red (0), green (1) or blue (2) at v
  udiv null, r11.x, vThreadID.x, l(3)
  ieq r11.xyz, r11.xxxx, l(2, 1, 0, 0)
  movc r4.xyz, r11.xyzx, r9.xyzx, r10.xyzx
  ishl r4.yz, r4.yyzy, l(0, 8, 16, 0)
  or r4.x, r4.x, r4.y
  or r4.x, r4.x, r4.z
  store_uav_typed u0.xyzw, r1.xxxx, r4.xxxx
  ret
endif

; ---- every other operation works on the padded picture
uge r0.xy, vThreadID.xyxx, r0.zwzz
or r0.x, r0.x, r0.y
retc_nz r0.x
imad r1.x, vThreadID.y, r0.z, vThreadID.x        ; p = y*(sw+2) + x
iadd r0.xy, vThreadID.xyxx, l(-1, -1, 0, 0)
uge r0.xy, r0.xyxx, cb0[0].xyxx                  ; x-1 >= sw or y-1 >= sh: border
or r0.x, r0.x, r0.y
if_nz r0.x
  store_uav_typed u0.xyzw, r1.xxxx, l(0, 0, 0, 0)
  ret
endif
; ---- operation 0: decode the source into the padded picture
ieq r0.x, cb0[3].x, l(0)
if_nz r0.x
  iadd r5.xy, vThreadID.xyxx, l(-1, -1, 0, 0)
  mov r6.x, cb0[3].w
  if_nz r6.x
    ; 32-bit source: word at (y-1)*pitch + (x-1)*4
    ishl r5.x, r5.x, l(2)
    imad r5.x, r5.y, cb0[3].z, r5.x
    ld_raw r6.x, r5.x, t5.xxxx
  else
    ; indexed: byte at (y-1)*pitch + (x-1) from its aligned word, then the palette
    imad r5.x, r5.y, cb0[3].z, r5.x
    and r5.y, r5.x, l(-4)
    and r5.z, r5.x, l(3)
    ishl r5.z, r5.z, l(3)
    ld_raw r6.x, r5.y, t5.xxxx
    ushr r6.x, r6.x, r5.z
    and r6.x, r6.x, l(255)
    ld r6.x, r6.xxxx, t4.xxxx
  endif
  and r6.x, r6.x, l(0x00ffffff)                  ; bits 24-31 are 0 in every picture
  store_uav_typed u0.xyzw, r1.xxxx, r6.xxxx
  ret
endif

ld r2.x, r1.xxxx, t0.xxxx                        ; M
ushr r3.xyz, r2.xxxx, l(0, 8, 16, 0)
and r3.xyz, r3.xyzx, l(255, 255, 255, 0)
imad r3.w, r3.y, l(2), r3.x
iadd r3.w, r3.w, r3.z
ushr r3.w, r3.w, l(2)                            ; lum(M) = (b + 2g + r) >> 2

mov r5.x, cb0[3].x
switch r5.x

; ---- 1: bloom bright pass
case l(1)
  iadd r5.x, r3.w, -cb0[1].z                     ; lum - bloomThreshold
  imax r5.x, r5.x, l(0)
  ishl r5.x, r5.x, l(8)
  iadd r5.y, l(256), -cb0[1].z
  udiv r5.x, null, r5.x, r5.y                    ; k = max(...) * 256 / (256 - threshold)
  imul null, r5.x, r5.x, r5.x
  ushr r5.x, r5.x, l(8)                          ; k = k*k >> 8
  imul null, r4.xyz, r3.xyzx, r5.xxxx
  ushr r4.xyz, r4.xyzx, l(8, 8, 8, 0)
  break

; ---- 2, 3, 5, 6: 9-tap (bloom) or 5-tap (glow) blur, horizontal or vertical;
;      the vertical ones add the blur to B
case l(2)
case l(3)
case l(5)
case l(6)
  ult r6.x, r5.x, l(4)                           ; bloom
  ieq r6.y, r5.x, l(3)
  ieq r6.z, r5.x, l(6)
  or r6.y, r6.y, r6.z                            ; vertical
  movc r7.xyzw, r6.xxxx, l(9, 4, 0, 8), l(5, 2, 9, 4)   ; taps, half, first weight row, shift
  movc r8.xy, r6.yyyy, l(0, 1, 0, 0), l(1, 0, 0, 0)     ; step between taps
  mov r9.xyz, l(0, 0, 0, 0)                      ; sums
  mov r10.x, l(0)                                ; tap k
  loop
    uge r10.y, r10.x, r7.x
    breakc_nz r10.y
    iadd r10.z, r10.x, -r7.y                     ; offset k - half
    imad r11.xy, r10.zzzz, r8.xyxx, vThreadID.xyxx
    iadd r11.zw, r11.xxxy, l(0, 0, -1, -1)
    ult r11.zw, r11.zzzw, cb0[0].xxxy            ; interior
    and r11.z, r11.z, r11.w
    imad r11.x, r11.y, r0.z, r11.x
    ld r12.x, r11.xxxx, t0.xxxx
    and r12.x, r12.x, r11.z                      ; black outside the picture
    ushr r12.xyz, r12.xxxx, l(0, 8, 16, 0)
    and r12.xyz, r12.xyzx, l(255, 255, 255, 0)
    iadd r10.w, r10.x, r7.z
    imad r9.xyz, r12.xyzx, icb[r10.w + 0].xxxx, r9.xyzx
    iadd r10.x, r10.x, l(1)
  endloop
  ushr r4.xyz, r9.xyzx, r7.wwww
  if_nz r6.y
    movc r5.y, r6.x, cb0[1].w, cb0[1].y          ; bloomStrength or glowStrength
    imul null, r4.xyz, r4.xyzx, r5.yyyy
    udiv r4.xyz, null, r4.xyzx, l(100, 100, 100, 100)
    ld r12.x, r1.xxxx, t1.xxxx
    ushr r12.xyz, r12.xxxx, l(0, 8, 16, 0)
    and r12.xyz, r12.xyzx, l(255, 255, 255, 0)
    iadd r4.xyz, r4.xyzx, r12.xyzx
    umin r4.xyz, r4.xyzx, l(255, 255, 255, 0)
  endif
  break

; ---- 4: glow bright pass
case l(4)
  iadd r4.xyz, r3.xyzx, -cb0[1].xxxx
  imax r4.xyz, r4.xyzx, l(0, 0, 0, 0)
  break

; ---- 7: persistence, the brighter of M and the decayed previous picture
case l(7)
  mov r4.xyz, r3.xyzx
  mov r5.y, cb0[3].y
  if_z r5.y
    ld r12.x, r1.xxxx, t1.xxxx
    ushr r12.xyz, r12.xxxx, l(0, 8, 16, 0)
    and r12.xyz, r12.xyzx, l(255, 255, 255, 0)
    imul null, r12.xyz, r12.xyzx, cb0[2].wwww
    ushr r12.xyz, r12.xyzx, l(8, 8, 8, 0)
    imax r4.xyz, r3.xyzx, r12.xyzx
  endif
  break

; ---- 8: colour bleeding, the neighbours' chroma mixed in; edge pixels repeat
case l(8)
  iadd r5.x, vThreadID.x, l(-1)
  imax r5.x, r5.x, l(1)                          ; left: max(x-1, 1)
  iadd r5.y, vThreadID.x, l(1)
  umin r5.y, r5.y, cb0[0].x                      ; right: min(x+1, sw)
  imul null, r5.z, vThreadID.y, r0.z
  iadd r5.xy, r5.xyxx, r5.zzzz
  ld r6.x, r5.xxxx, t0.xxxx
  ld r7.x, r5.yyyy, t0.xxxx
  ushr r6.xyz, r6.xxxx, l(0, 8, 16, 0)
  and r6.xyz, r6.xyzx, l(255, 255, 255, 0)
  imad r6.w, r6.y, l(2), r6.x
  iadd r6.w, r6.w, r6.z
  ushr r6.w, r6.w, l(2)
  ushr r7.xyz, r7.xxxx, l(0, 8, 16, 0)
  and r7.xyz, r7.xyzx, l(255, 255, 255, 0)
  imad r7.w, r7.y, l(2), r7.x
  iadd r7.w, r7.w, r7.z
  ushr r7.w, r7.w, l(2)
  iadd r6.xyz, r6.xyzx, -r6.wwww                 ; chroma(L)
  iadd r7.xyz, r7.xyzx, -r7.wwww                 ; chroma(R)
  iadd r8.xyz, r3.xyzx, -r3.wwww                 ; chroma(M)
  imul null, r6.xyz, r6.xyzx, cb0[2].xxxx
  imad r6.xyz, r8.xyzx, cb0[2].yyyy, r6.xyzx
  imad r6.xyz, r7.xyzx, cb0[2].xxxx, r6.xyzx
  iadd r6.xyz, r6.xyzx, l(8, 8, 8, 0)
  ishr r6.xyz, r6.xyzx, l(4, 4, 4, 0)
  iadd r4.xyz, r6.xyzx, r3.wwww
  imax r4.xyz, r4.xyzx, l(0, 0, 0, 0)
  imin r4.xyz, r4.xyzx, l(255, 255, 255, 0)
  break

; ---- 10: chromatic separation: red from the inward side, blue from the outward
case l(10)
  iadd r5.xy, vThreadID.xyxx, l(-1, -1, 0, 0)
  ld r5.z, r5.xxxx, t3.xxxx                      ; fx = chroma[x-1]
  iadd r5.w, r5.y, cb0[0].x
  ld r5.w, r5.wwww, t3.xxxx                      ; fy = chroma[sw + y-1]
  ishl r6.xy, r5.xyxx, l(1, 1, 0, 0)
  ult r6.xy, r6.xyxx, cb0[0].xyxx
  movc r6.xy, r6.xyxx, l(1, 1, 0, 0), l(-1, -1, 0, 0)   ; sx, sy
  ineg r6.zw, r6.xxxy                            ; -sx, -sy
  ; six taps: r7 = (sx,0), (0,sy), (sx,sy) for red; r8 the same mirrored for blue
  mov r9.xy, r6.xyxx
  mov r9.zw, l(0, 0, 0, 0)
  iadd r10.xy, vThreadID.xyxx, r9.xwxx           ; (x+sx, y)
  iadd r10.zw, r10.xxxy, l(0, 0, -1, -1)
  ult r10.zw, r10.zzzw, cb0[0].xxxy
  and r10.z, r10.z, r10.w
  imad r10.x, r10.y, r0.z, r10.x
  ld r7.x, r10.xxxx, t0.xxxx
  and r7.x, r7.x, r10.z
  iadd r10.xy, vThreadID.xyxx, r9.wyww           ; (x, y+sy)
  iadd r10.zw, r10.xxxy, l(0, 0, -1, -1)
  ult r10.zw, r10.zzzw, cb0[0].xxxy
  and r10.z, r10.z, r10.w
  imad r10.x, r10.y, r0.z, r10.x
  ld r7.y, r10.xxxx, t0.xxxx
  and r7.y, r7.y, r10.z
  iadd r10.xy, vThreadID.xyxx, r9.xyxx           ; (x+sx, y+sy)
  iadd r10.zw, r10.xxxy, l(0, 0, -1, -1)
  ult r10.zw, r10.zzzw, cb0[0].xxxy
  and r10.z, r10.z, r10.w
  imad r10.x, r10.y, r0.z, r10.x
  ld r7.z, r10.xxxx, t0.xxxx
  and r7.z, r7.z, r10.z
  iadd r10.xy, vThreadID.xyxx, r6.zwzz           ; (x-sx, y-sy) first for blue's D
  iadd r10.zw, r10.xxxy, l(0, 0, -1, -1)
  ult r10.zw, r10.zzzw, cb0[0].xxxy
  and r10.z, r10.z, r10.w
  imad r10.x, r10.y, r0.z, r10.x
  ld r8.z, r10.xxxx, t0.xxxx
  and r8.z, r8.z, r10.z
  iadd r10.xy, vThreadID.xyxx, r6.zwzz
  mov r10.y, vThreadID.y                         ; (x-sx, y)
  iadd r10.zw, r10.xxxy, l(0, 0, -1, -1)
  ult r10.zw, r10.zzzw, cb0[0].xxxy
  and r10.z, r10.z, r10.w
  imad r10.x, r10.y, r0.z, r10.x
  ld r8.x, r10.xxxx, t0.xxxx
  and r8.x, r8.x, r10.z
  iadd r10.xy, vThreadID.xyxx, r6.zwzz
  mov r10.x, vThreadID.x                         ; (x, y-sy)
  iadd r10.zw, r10.xxxy, l(0, 0, -1, -1)
  ult r10.zw, r10.zzzw, cb0[0].xxxy
  and r10.z, r10.z, r10.w
  imad r10.x, r10.y, r0.z, r10.x
  ld r8.y, r10.xxxx, t0.xxxx
  and r8.y, r8.y, r10.z
  ; .x blue from the r8 taps, .y red from the r7 taps: m, H, V, D
  mov r11.x, r3.x
  mov r11.y, r3.z
  and r12.x, r8.x, l(255)
  ushr r12.y, r7.x, l(16)
  and r12.y, r12.y, l(255)                       ; H
  and r13.x, r8.y, l(255)
  ushr r13.y, r7.y, l(16)
  and r13.y, r13.y, l(255)                       ; V
  and r9.x, r8.z, l(255)
  ushr r9.y, r7.z, l(16)
  and r9.y, r9.y, l(255)                         ; D
  iadd r12.xy, r12.xyxx, -r11.xyxx
  imul null, r12.xy, r12.xyxx, r5.zzzz
  ishr r12.xy, r12.xyxx, l(8, 8, 0, 0)
  iadd r12.xy, r12.xyxx, r11.xyxx                ; top = m + ((H - m)*fx >> 8)
  iadd r9.xy, r9.xyxx, -r13.xyxx
  imul null, r9.xy, r9.xyxx, r5.zzzz
  ishr r9.xy, r9.xyxx, l(8, 8, 0, 0)
  iadd r9.xy, r9.xyxx, r13.xyxx                  ; bottom = V + ((D - V)*fx >> 8)
  iadd r9.xy, r9.xyxx, -r12.xyxx
  imul null, r9.xy, r9.xyxx, r5.wwww
  ishr r9.xy, r9.xyxx, l(8, 8, 0, 0)
  iadd r9.xy, r9.xyxx, r12.xyxx                  ; top + ((bottom - top)*fy >> 8)
  mov r4.x, r9.x
  mov r4.y, r3.y
  mov r4.z, r9.y
  break

default
  mov r4.xyz, l(0, 0, 0, 0)
  break
endswitch

ishl r4.yz, r4.yyzy, l(0, 8, 16, 0)              ; blue | green << 8 | red << 16
or r4.x, r4.x, r4.y
or r4.x, r4.x, r4.z
store_uav_typed u0.xyzw, r1.xxxx, r4.xxxx
ret
