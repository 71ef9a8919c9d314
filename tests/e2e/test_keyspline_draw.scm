; Keysplines as scripts draw them: plug-in-qv-path-draw on an in-between and
; a sequence keyspline, and the bundled animation example rendered frame by
; frame.

(define (qv-tattoo-text path) (number->string (car (gimp-item-get-tattoo path))))

(qv-test "an in-between keyspline drawn at t = 0.5 is the middle of its two keys"
         (lambda ()
           (let* ((image (qv-new-image 200 200))
                  (layer (car (gimp-image-get-active-layer image)))
                  (red (qv-add-square image "Red" 20 20 40))
                  (blue (qv-add-square image "Blue" 120 120 40)))
             (plug-in-qv-path-set-style-attribute image "Red" "fill" "255 0 0")
             (plug-in-qv-path-set-style-attribute image "Red" "@-color-mode" "RGB")
             (plug-in-qv-path-set-style-attribute image "Blue" "fill" "0 0 255")
             (qv-add-path image "[@] move" '(190 10 190 190))
             (plug-in-qv-path-set-style-attribute image "[@] move" "@-tattoos"
                                                  (string-append (qv-tattoo-text blue) " " (qv-tattoo-text red)))
             (plug-in-qv-path-draw image "[@] move" 0.5)
             (qv-check-equal "RGB midpoint at the middle square" '(128 0 128) (qv-rgb layer 90 90))
             (qv-check-equal "nothing at the first key" '(255 255 255) (qv-rgb layer 40 40))
             (qv-check-equal "paths unchanged" 3 (car (gimp-image-get-vectors image)))
             (gimp-image-delete image))))

(qv-test "a sequence keyspline draws its lines up to the pen's position"
         (lambda ()
           (let* ((image (qv-new-image 200 200))
                  (layer (car (gimp-image-get-active-layer image)))
                  (first (qv-add-path image "0 first" '(20 50 120 50)))
                  (second (qv-add-path image "100 second" '(20 100 120 100))))
             (gimp-context-set-brush "2. Hardness 100")
             (gimp-context-set-brush-size 4)
             (plug-in-qv-path-set-style-attribute image "0 first" "stroke" "0 0 0")
             (plug-in-qv-path-set-style-attribute image "100 second" "stroke" "0 0 0")
             (qv-add-path image "[@->S] pen" '(190 10 190 190))
             (plug-in-qv-path-set-style-attribute image "[@->S] pen" "@-tattoos"
                                                  (string-append (qv-tattoo-text first) " " (qv-tattoo-text second)))
             (plug-in-qv-path-draw image "[@->S] pen" 0.75)
             (qv-check-equal "first line whole" '(0 0 0) (qv-rgb layer 115 50))
             (qv-check-equal "second line begun" '(0 0 0) (qv-rgb layer 60 100))
             (qv-check-equal "second line not beyond the pen" '(255 255 255) (qv-rgb layer 90 100))
             (gimp-image-delete image))))

(qv-test "the animation example renders numbered frames that change with t"
         (lambda ()
           (load (string-append qv-source-dir "/examples/render-keysplines.scm"))
           (let ((frames qv-tmp-dir))
             (qv-render-keysplines (string-append qv-source-dir "/examples/animation.xcf") frames 3
                                   (string-append qv-tmp-dir "/frames.txt"))
             (let ((first (car (file-png-load 1 (qv-frame-name frames 0) "")))
                   (last (car (file-png-load 1 (qv-frame-name frames 2) ""))))
               (qv-check "three frames written"
                         (and (qv-file-exists? (qv-frame-name frames 1)) (not (qv-file-exists? (qv-frame-name frames 3)))))
               (let ((first-layer (car (gimp-image-get-active-layer first)))
                     (last-layer (car (gimp-image-get-active-layer last))))
                 ; The morph starts as the red key and ends as the blue one;
                 ; the progress bar runs the whole width at t = 1 only.
                 (qv-check-equal "red key at t = 0" '(220 30 30) (qv-rgb first-layer 75 75))
                 (qv-check-equal "blue key at t = 1" '(30 60 220) (qv-rgb last-layer 280 110))
                 (qv-check-equal "no bar end at t = 0" '(245 245 240) (qv-rgb first-layer 590 344))
                 (qv-check-equal "bar end at t = 1" '(250 140 0) (qv-rgb last-layer 590 344)))
               (gimp-image-delete first)
               (gimp-image-delete last)))))
