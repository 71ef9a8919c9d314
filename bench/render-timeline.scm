; The render benchmark's Script-Fu programs.
;
; (qv-bench-make-image "examples/animation.xcf" "work/bench.xcf")
;   the animation example scaled to 1280x720, with its timeline "Demo"
;   (50 frames at 25 frames per second).
; (qv-bench-plain "work/bench.xcf" "work/plain" 50 "work/plain.txt")
;   the baseline: per frame the same GIMP work the timeline render does,
;   written as a plain Script-Fu loop: duplicate the image keeping tattoos,
;   draw each keyspline at its entry's t, flatten, save, delete.

(define (qv-bench-make-image xcf out)
  (let* ((image (car (gimp-xcf-load 0 xcf xcf)))
         (layer (car (gimp-image-get-active-layer image))))
    (gimp-image-scale image 1280 720)
    (gimp-xcf-save 0 image layer out out)
    (gimp-image-delete image)))

; Begin and duration of each keyspline's entry in "Demo" (seconds).
(define qv-bench-entries
  '(("[@] morph" 0 2) ("[@] ride" 0.8 1.2) ("[@->S] write" 0 1) ("[@<-S] unwrite" 1 1)
    ("[@-Script] progress" 0 2) ("[@] 1. 1. 2000; 31. 12. 2024" 0 2)))

(define (qv-bench-t entry seconds)
  (let ((u (/ (- seconds (cadr entry)) (caddr entry))))
    (max 0 (min 1 u))))

(define (qv-bench-frame-name folder i)
  (let ((digits (number->string i)))
    (string-append folder "/frame_" (substring "000" 0 (- 3 (string-length digits))) digits ".png")))

(define (qv-bench-plain xcf folder frames report-file)
  (let* ((image (car (gimp-xcf-load 0 xcf xcf)))
         (drawable (car (gimp-image-get-active-drawable image)))
         (layer-tattoo (car (gimp-item-get-tattoo (car (gimp-image-get-active-layer image))))))
    (let loop ((i 0))
      (if (< i frames)
          (let* ((seconds (/ i 25.0))
                 (copy (car (plug-in-qv-image-duplicate 1 image drawable)))
                 (file (qv-bench-frame-name folder i)))
            (gimp-image-undo-disable copy)
            (for-each (lambda (entry)
                        (gimp-image-set-active-layer copy (car (gimp-image-get-layer-by-tattoo copy layer-tattoo)))
                        (plug-in-qv-path-draw copy (car entry) (qv-bench-t entry seconds)))
                      qv-bench-entries)
            (let ((flat (car (gimp-image-flatten copy))))
              (file-png-save2 RUN-NONINTERACTIVE copy flat file file 0 9 0 0 0 1 0 0 0))
            (gimp-image-delete copy)
            (loop (+ i 1)))))
    (gimp-image-delete image)
    (let ((port (open-output-file report-file)))
      (display "done" port)
      (close-output-port port))))

; (qv-bench-make-paths-image 10 "work/paths-10.xcf")
;   a 640x360 image whose timeline "Demo" animates 10 keysplines, each
;   turning the fill of its own small box from red to blue, so that the
;   frame's cost can be read against the number of animated paths. Needs
;   examples/make-demo-image.scm and examples/make-animation-image.scm
;   loaded, and the examples' timeline plug-in in the profile.
(define (qv-bench-box image i)
  (let* ((x (+ 16 (* 64 (modulo i 10))))
         (y (+ 8 (* 36 (modulo (quotient i 10) 10))))
         (name (string-append "Box " (number->string i)))
         (keyspline (string-append "[@] box " (number->string i))))
    (qv-demo-path image name TRUE (list x y (+ x 32) y (+ x 32) (+ y 20) x (+ y 20)))
    (qv-demo-style image name '(("fill" "220 30 30")))
    (qv-demo-path image keyspline FALSE '(630 10 630 20))
    (qv-demo-style image keyspline
                   (list (list "@-tattoos" (qv-tattoo-of image name)) '("fill" "220 30 30;30 60 220")))))

(define (qv-bench-make-paths-image n out)
  (let* ((image (car (gimp-image-new 640 360 RGB)))
         (layer (car (gimp-layer-new image 640 360 RGB-IMAGE "Background" 100 LAYER-MODE-NORMAL))))
    (gimp-image-insert-layer image layer 0 -1)
    (gimp-context-set-foreground '(245 245 240))
    (gimp-drawable-fill layer FILL-FOREGROUND)
    (let loop ((i 0))
      (if (< i n)
          (begin (qv-bench-box image i) (loop (+ i 1)))))
    (plug-in-qv-example-timeline image "Demo")
    (gimp-image-set-active-layer image layer)
    (gimp-xcf-save 0 image layer out out)
    (gimp-image-delete image)))
