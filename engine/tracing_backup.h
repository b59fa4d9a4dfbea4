// The tracer's copy of the bit layer: made before tracing (in the image's backup slot, in
// memory or in "memtemp"), used to paint each shape from the pixel under its start and to
// rebuild the bit layer afterwards, and the image's own backup put back when the copy had to
// differ from it.
//
// Without a pixel selection the bit layer is the image, so the image's backup simply becomes
// the copy (inverted for White Lines / Reverse Image, and rewritten once Convert has inverted
// the bit layer back). With a selection the backup holds the pixels outside it: it is set aside
// and the copy gets a block (or a "memtemp" of its own) for the conversion.
#pragma once

#include "engine/conversion_job.h"

namespace vl::engine {

// Sets the image's backup aside when a selection makes it differ from the bit layer of a
// bilevel image, and always for a gray scale or colour image (whose bit layer, posterized,
// is not what the image keeps, and whose handle may be its open input file), so that the copy
// is this conversion's own. Before the spare layer and the work area are allocated.
void SetBackupAside(ConversionJob& job);

// Copies the bit layer as it stands into the backup slot: into a block when one can be had,
// else into "memtemp" row by row with the progress label "Processing..." and the abort poll
// after every row. False when the conversion must wind down: "memtemp" could not be created
// (message 155, abortRequested set), a write failed (message 12, abortRequested set), the user
// stopped, or a selection's backup already fills "memtemp" and no block is left for the copy
// (message 11). Each failure is recorded as well (base::ShowFailure).
bool RefreshTracingBackup(ConversionJob& job);

// Wind-down: rebuilds the bit layer from a complete copy (after an abort too), frees the copy
// unless it is the image's backup, and puts a set-aside backup back. A copy in "memtemp" that
// cannot be read back shows message 13, recorded as the failure.
void RestoreBitLayer(ConversionJob& job);

// After the Convert command has inverted the bit layer back: the image's backup is made equal
// to the bit layer again when it received the inverted copy. Runs after an abort as well; a
// failed write shows message 13, recorded as the failure.
void ResyncBackupAfterInversion(ConversionJob& job);

}  // namespace vl::engine
