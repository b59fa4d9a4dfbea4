// The embedded PostScript prolog.
//
// Operators of the path body (all in the dictionary Morvo_GQ_operators, which the main
// procedure set's /initialize puts on the dictionary stack and its /terminate takes off):
//   x y m            move          x y l / L        line (l: the anchor is smooth)
//   x1 y1 x2 y2 x3 y3 c / C        curve (c: smooth)
//   f  fill    S  stroke    b  fill, then stroke    n  new path
//   Fills use the non-zero winding rule (a fill closes the path by itself). A stroke closes
//   the path when it ends where it began, so that the closed outline gets a join, not caps.
//   v g / G          gray fill / stroke colour (1 = white)
//   c m y k k / K    process fill / stroke colour
//   c m y k (name) t x / X    custom fill / stroke colour at strength 1 - t
//   u / U            group begin / end (grouping has no effect on the marks)
//   J j w M d        line cap, join, width, miter limit, dash
//   A O D            locking, overprint, winding attributes: accepted and ignored
//   i                flatness (0: the device default)
// Fill and stroke colours are separate state: each is kept as a procedure that sets it, run
// just before the paint that uses it.
#include "art/prolog_gq5.h"

namespace vl::art {

namespace {
constexpr std::string_view kProlog = R"PS(%%BeginResource: procset Morvo_GraphiquantA_GQ5 1.0 0
%%Title: (Morvo GQ operators)
userdict /Morvo_GQ_operators 64 dict dup begin
/_mx 0 def
/_my 0 def
/_fc {0 setgray} def
/_sc {0 setgray} def
systemdict /setcmykcolor known not {
 /setcmykcolor {
  1 sub 4 1 roll
  3 {3 index add neg dup 0 lt {pop 0} if 3 1 roll} repeat
  setrgbcolor pop
 } bind def
} if
/_tint {1 exch sub /_s exch def 4 {_s mul 4 1 roll} repeat} bind def
/g {/_fv exch def /_fc {_fv setgray} def} bind def
/G {/_sv exch def /_sc {_sv setgray} def} bind def
/k {4 array astore /_fk exch def /_fc {_fk aload pop setcmykcolor} def} bind def
/K {4 array astore /_sk exch def /_sc {_sk aload pop setcmykcolor} def} bind def
/x {exch pop _tint k} bind def
/X {exch pop _tint K} bind def
/m {2 copy /_my exch def /_mx exch def moveto} bind def
/_cl {
 currentpoint _my sub abs 0.01 lt exch _mx sub abs 0.01 lt and {closepath} if
} bind def
/l {lineto} bind def
/L {lineto} bind def
/c {curveto} bind def
/C {curveto} bind def
/f {_fc fill} bind def
/S {_cl _sc stroke} bind def
/b {_cl gsave _fc fill grestore _sc stroke} bind def
/n {newpath} bind def
/u {} def
/U {} def
/A {pop} bind def
/O {pop} bind def
/D {pop} bind def
/i {dup 0 eq {pop} {setflat} ifelse} bind def
/J {setlinecap} bind def
/j {setlinejoin} bind def
/w {setlinewidth} bind def
/M {setmiterlimit} bind def
/d {setdash} bind def
/annotatepage {} def
/_E {} def
end put
/Morvo_MainProcSet {
 3 dict dup begin
 /initialize {Morvo_GQ_operators begin} bind def
 /terminate {currentdict Morvo_GQ_operators eq {end} if} bind def
 end
} bind def
/Morvo_HelperProcSet {
 3 dict dup begin
 /initialize {} def
 /terminate {} def
 end
} bind def
userdict /Morvo_GraphiquantA_GQ5 Morvo_MainProcSet put
userdict /Morvo_Graphiquant_GQ3 Morvo_MainProcSet put
userdict /Morvo_Graphiquant88 Morvo_MainProcSet put
userdict /Morvo_Graphiquant_1.1 Morvo_GQ_operators put
%%EndResource
%%BeginResource: procset Morvo_level2_GQ5 1.0 0
userdict /Morvo_level2_GQ5 Morvo_HelperProcSet put
userdict /Morvo_packedarray Morvo_HelperProcSet put
userdict /Morvo_cmykcolor Morvo_HelperProcSet put
userdict /Morvo_cshow Morvo_HelperProcSet put
userdict /Morvo_customcolor Morvo_HelperProcSet put
userdict /Morvo_pattern_GQ3 Morvo_HelperProcSet put
%%EndResource
)PS";
}  // namespace

std::string_view Gq5Prolog() { return kProlog; }

}  // namespace vl::art
