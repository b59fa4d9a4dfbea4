// The colour peer: node color_peer.js IN.png OUT.svg, with the package's own example settings.
const { readFileSync, writeFileSync } = require('fs');
const { vectorizeSync, ColorMode, Hierarchical, PathSimplifyMode } = require('@neplex/vectorizer');
const svg = vectorizeSync(readFileSync(process.argv[2]), {
  colorMode: ColorMode.Color, colorPrecision: 6, filterSpeckle: 4, spliceThreshold: 45,
  cornerThreshold: 60, hierarchical: Hierarchical.Stacked, mode: PathSimplifyMode.Spline,
  layerDifference: 5, lengthThreshold: 5, maxIterations: 2, pathPrecision: 5,
});
writeFileSync(process.argv[3], svg);
