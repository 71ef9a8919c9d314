; Builds the bundled animation example examples/animation.xcf: one keyspline
; of each kind, drawn over t by examples/render-keysplines.scm.
;   "[@] morph"            a red square becomes a blue one, moving, on an
;                          ease-in-out time curve; its stroke runs through
;                          three keyframed colours
;   "[@] ride"             an arrow head rides along a curved track, turned
;                          with the track's direction
;   "[@->S] write"         two lines drawn like a pen, one after the other
;   "[@<-S] unwrite"       the same lines taken back from their ends
;   "[@-Script] progress"  stamp.scm draws a progress bar of length av
;   "[@] 1. 1. 2000; 31. 12. 2024"  prints the date running between the two
; The timeline "Demo" runs them over 2 s: the arrow head waits unseen,
; fades in and then rides; the pen writes in the first second and the
; unwriting runs in the second. Run through tools/make-demo-image.sh (loads
; make-demo-image.scm first).

(define (qv-tattoo-of image name)
  (number->string (car (gimp-item-get-tattoo (car (gimp-image-get-vectors-by-name image name))))))

(define (qv-tattoos-of image names)
  (let loop ((n names) (out ""))
    (if (null? n) out
        (loop (cdr n) (string-append out (if (string=? out "") "" " ") (qv-tattoo-of image (car n)))))))

(define (qv-make-animation-image folder)
  (let* ((xcf (string-append folder "/animation.xcf"))
         (image (car (gimp-image-new 640 360 RGB)))
         (layer (car (gimp-layer-new image 640 360 RGB-IMAGE "Background" 100 LAYER-MODE-NORMAL))))
    (gimp-image-insert-layer image layer 0 -1)
    (gimp-context-set-foreground '(245 245 240))
    (gimp-drawable-fill layer FILL-FOREGROUND)

    ; In-between: the last listed key is the shape at t = 0.
    (qv-demo-path image "Red key" TRUE '(40 40 110 40 110 110 40 110))
    (qv-demo-style image "Red key" '(("fill" "220 30 30") ("stroke-brush" "2. Hardness 100")
                                     ("stroke-size" "5") ("@-color-mode" "HSV short")))
    (qv-demo-path image "Blue key" TRUE '(230 60 330 60 330 160 230 160))
    (qv-demo-style image "Blue key" '(("fill" "30 60 220") ("stroke-brush" "2. Hardness 100")
                                      ("stroke-size" "5")))
    ; The keyspline is read as a time curve: flat at both ends, steep in
    ; the middle, so the morph eases in and out.
    (qv-demo-curve image "[@] morph" FALSE
                   '(560 350 560 350 600 350  600 300 600 300 600 300  600 250 640 250 640 250))
    (qv-demo-style image "[@] morph"
                   (list (list "@-tattoos" (qv-tattoos-of image '("Blue key" "Red key")))
                         '("stroke" "0 0 0;255 200 0;0 0 0")))

    ; Motion along a path, turned with the path's direction.
    (qv-demo-path image "Arrow head" TRUE '(400 30 430 40 400 50))
    (qv-demo-style image "Arrow head" '(("fill" "20 140 60")))
    (qv-demo-curve image "Track" FALSE
                   '(400 40 400 40 480 -20  600 60 620 120 640 180  560 200 520 180 520 180))
    (qv-demo-path image "[@] ride" FALSE '(630 10 630 20))
    (qv-demo-style image "[@] ride"
                   (list (list "@-tattoos" (qv-tattoo-of image "Arrow head"))
                         '("@-motion-path" "Track") '("@-motion-angle" "auto 0")))

    ; Sequences: offsets at the start of the names say where each line
    ; begins on the pen's way (the first line is 250 px long).
    (qv-demo-path image "0 first line" FALSE '(40 220 290 220))
    (qv-demo-path image "250 second line" FALSE '(40 250 290 250))
    (qv-demo-path image "0 third line" FALSE '(340 220 590 220))
    (qv-demo-path image "250 fourth line" FALSE '(340 250 590 250))
    (for-each (lambda (name)
                (qv-demo-style image name '(("stroke" "40 40 40") ("stroke-brush" "2. Hardness 100")
                                             ("stroke-size" "5"))))
              '("0 first line" "250 second line" "0 third line" "250 fourth line"))
    (qv-demo-path image "[@->S] write" FALSE '(620 10 620 20))
    (qv-demo-style image "[@->S] write"
                   (list (list "@-tattoos" (qv-tattoos-of image '("0 first line" "250 second line")))))
    (qv-demo-path image "[@<-S] unwrite" FALSE '(610 10 610 20))
    (qv-demo-style image "[@<-S] unwrite"
                   (list (list "@-tattoos" (qv-tattoos-of image '("0 third line" "250 fourth line")))))

    ; A script keyspline; the script's name is relative to this image.
    (qv-demo-path image "[@-Script] progress" FALSE '(600 10 600 20))
    (qv-demo-style image "[@-Script] progress" '(("@-script" "./stamp.scm")))

    ; A date range printed by a text path.
    (qv-demo-path image "\"%D\"" FALSE '(40 320 40 330))
    (qv-demo-style image "\"%D\"" '(("font-name" "DejaVu Sans") ("font-size" "24") ("fill" "20 20 60")))
    (qv-demo-path image "[@] 1. 1. 2000; 31. 12. 2024" FALSE '(590 10 590 20))
    (qv-demo-style image "[@] 1. 1. 2000; 31. 12. 2024"
                   (list '("@-date" "use pathname") (list "@-tattoos" (qv-tattoo-of image "\"%D\""))))

    ; The timeline "Demo" animates every keyspline over 2 s (50 frames).
    (plug-in-qv-example-timeline image "Demo")
    (gimp-image-set-active-layer image layer)
    (gimp-xcf-save 0 image layer xcf xcf)
    (gimp-image-delete image)))
