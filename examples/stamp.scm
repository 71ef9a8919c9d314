; Script of the "[@-Script] progress" keyspline in animation.xcf: a bar
; across the bottom of the frame whose length follows av (0 to 1).
(let ((width (max 1 (* av 560))))
  (gimp-context-push)
  (gimp-context-set-foreground '(250 140 0))
  (gimp-image-select-rectangle image CHANNEL-OP-REPLACE 40 340 width 8)
  (gimp-edit-fill draw FILL-FOREGROUND)
  (gimp-selection-none image)
  (gimp-context-pop))
