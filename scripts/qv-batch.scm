; Runs a Scheme script (file or text) on an image the way a "[@-Script]"
; animation does, for scripts and batch jobs that want the same bindings:
; image, draw, av (a number) and name (empty here).
; Needs qv-eval4.scm, which Script-Fu loads from the same folder.

(define (script-fu-qv-batch image draw script av)
  (qv-eval4-run image draw av "\"\"" script))

(script-fu-register "script-fu-qv-batch"
                    ""
                    "Runs a Scheme script (file name relative to the image or absolute, or the code itself) with image, draw and av (=t) bound"
                    "QV path-style suite"
                    "QV path-style suite developers"
                    "2026"
                    ""
                    SF-IMAGE "image" 0
                    SF-DRAWABLE "draw" 0
                    SF-STRING "script" ""
                    SF-STRING "av" "0.5")
