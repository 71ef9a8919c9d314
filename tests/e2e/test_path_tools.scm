; The path tools by procedure name: keysplines for locked paths, the
; ellipse on a selection, guide grids and texts through the clipboard.

(define (qv-draw image) (car (gimp-image-get-active-drawable image)))
(define (qv-vectors image name) (car (gimp-image-get-vectors-by-name image name)))
(define (qv-tattoo image name) (car (gimp-item-get-tattoo (qv-vectors image name))))
(define (qv-lock image name) (gimp-item-set-linked (qv-vectors image name) TRUE))
(define (qv-current! image name) (gimp-image-set-active-vectors image (qv-vectors image name)))
(define (qv-attr image path key) (car (plug-in-qv-path-get-style-attribute image path key)))
(define (qv-points image name)
  (let* ((v (qv-vectors image name)) (stroke (vector-ref (cadr (gimp-vectors-get-strokes v)) 0)))
    (vector->list (caddr (gimp-vectors-stroke-get-points v stroke)))))
(define (qv-guides image)
  (let loop ((g (car (gimp-image-find-next-guide image 0))) (acc '()))
    (if (= g 0) acc
        (loop (car (gimp-image-find-next-guide image g))
              (cons (list (car (gimp-image-get-guide-orientation image g))
                          (car (gimp-image-get-guide-position image g))) acc)))))

(qv-test "keysplines list the locked paths by draw group"
         (lambda ()
           (let ((image (qv-new-image 60 60)))
             (qv-add-path image "{1}a" '(1 1 5 5))
             (qv-add-path image "{1}b" '(2 2 6 6))
             (qv-add-path image "c" '(3 3 7 7))
             (qv-add-path image "free" '(4 4 8 8))
             (for-each (lambda (n) (qv-lock image n)) '("{1}a" "{1}b"))
             (qv-current! image "c")
             (plug-in-qv-create-keyspline-a 1 image (qv-draw image))
             (qv-check-equal "tattoos grouped"
                             (string-append (number->string (qv-tattoo image "{1}a")) " "
                                            (number->string (qv-tattoo image "{1}b")) "; "
                                            (number->string (qv-tattoo image "c")))
                             (qv-attr image "[@] c" "@-tattoos"))
             ; GIMP's control points (in, anchor, out) of the standard segment
             (qv-check-equal "lower left to upper right"
                             '(0.0 200.0 0.0 200.0 0.0 200.0 200.0 0.0 200.0 0.0 200.0 0.0)
                             (qv-points image "[@] c"))
             (qv-current! image "c")
             (plug-in-qv-create-keyspline-a2 1 image (qv-draw image))
             (qv-check-equal "upper left to lower right"
                             '(0.0 0.0 0.0 0.0 0.0 0.0 200.0 200.0 200.0 200.0 200.0 200.0)
                             (qv-points image "[@] c #1"))
             (qv-current! image "c")
             (plug-in-qv-create-keyspline-stroke-reverse 1 image (qv-draw image))
             (qv-check-equal "stroke keyspline lists blank-separated"
                             (string-append (number->string (qv-tattoo image "{1}a")) " "
                                            (number->string (qv-tattoo image "{1}b")) " "
                                            (number->string (qv-tattoo image "c")))
                             (qv-attr image "[@<-S] c" "@-tattoos"))
             (qv-check-equal "with the context's brush" (car (gimp-context-get-brush))
                             (qv-attr image "[@<-S] c" "stroke-brush"))
             (gimp-image-delete image))))

(qv-test "a locked keyspline lends its points and its first named path"
         (lambda ()
           (let ((image (qv-new-image 60 60)))
             (qv-add-path image "Sun" '(1 1 5 5))
             (qv-add-path image "[@] Sun" '(0 50 10 40 50 0))
             (qv-add-path image "Star" '(3 3 7 7))
             (for-each (lambda (n) (qv-lock image n)) '("Sun" "[@] Sun"))
             (qv-current! image "Star")
             (plug-in-qv-create-keyspline-a 1 image (qv-draw image))
             (qv-check-equal "the template's points" (qv-points image "[@] Sun")
                             (qv-points image "[@] Sun ..."))
             (qv-check-equal "the locked and current paths, bottom first, not the template"
                             (string-append (number->string (qv-tattoo image "Sun")) "; "
                                            (number->string (qv-tattoo image "Star")))
                             (qv-attr image "[@] Sun ..." "@-tattoos"))
             (gimp-image-delete image))))

(qv-test "the circle on a selection is an ellipse through its edges"
         (lambda ()
           (let ((image (qv-new-image 200 200)))
             (gimp-image-select-rectangle image CHANNEL-OP-REPLACE 20 30 100 60)
             (plug-in-qv-path-new-circle 1 image (qv-draw image))
             (let* ((points (qv-points image "Ellipse"))
                    (length (car (plug-in-qv-path-get-length image "Ellipse")))
                    ; Ramanujan's perimeter of the 50 × 30 half-axes ellipse
                    (true (* 3.14159265 (- (* 3 80) (sqrt (* (+ 150 30) (+ 50 90)))))))
               (qv-check-equal "top anchor" '(70.0 30.0) (list (list-ref points 2) (list-ref points 3)))
               (qv-check-equal "right anchor" '(120.0 60.0) (list (list-ref points 8) (list-ref points 9)))
               (qv-check-equal "bottom anchor" '(70.0 90.0) (list (list-ref points 14) (list-ref points 15)))
               (qv-check-equal "left anchor" '(20.0 60.0) (list (list-ref points 20) (list-ref points 21)))
               (qv-check-near "length within 1 %" true length (* 0.01 true)))
             (gimp-image-select-rectangle image CHANNEL-OP-REPLACE 0 0 50 50)
             (plug-in-qv-path-new-circle 1 image (qv-draw image))
             (qv-check "a square selection gives a circle" (> (qv-vectors image "Circle") 0))
             (gimp-image-delete image))))

(qv-test "guide grids replace the guides; remove takes them all"
         (lambda ()
           (let ((image (qv-new-image 450 250)))
             (gimp-image-add-hguide image 7)
             (plug-in-qv-guideline-grid-100 1 image (qv-draw image))
             (qv-check-equal "grid 100"
                             '((1 0) (1 100) (1 200) (1 300) (1 400) (0 0) (0 100) (0 200))
                             (qv-guides image))
             (plug-in-qv-guideline-grid 1 image (qv-draw image) 200 50 -10)
             (qv-check-equal "delta and offsets" '((1 50) (1 250) (0 190)) (qv-guides image))
             (qv-check "delta 0 is refused" (not (catch #f (plug-in-qv-guideline-grid 1 image (qv-draw image) 0 0 0) #t)))
             (plug-in-qv-guidelines-remove 1 image (qv-draw image))
             (qv-check-equal "removed" '() (qv-guides image))
             (gimp-image-delete image))))

(qv-test "texts and styles through the clipboard, across plug-in runs"
         (lambda ()
           (let ((from (qv-new-image 20 20)) (to (qv-new-image 20 20)))
             (plug-in-qv-set-clipboard "über\nzwei Zeilen")
             (qv-check-equal "text back" "über\nzwei Zeilen" (car (plug-in-qv-get-clipboard)))
             (qv-add-path from "P" '(1 1 5 5))
             (plug-in-qv-path-set-style-attribute from "P" "fill" "1 2 3")
             (plug-in-qv-path-set-style-attribute from "P" "stroke" "4 5 6")
             (qv-current! from "P")
             (plug-in-qv-path-style-2-clipboard 1 from (qv-draw from))
             (qv-check-equal "style text"
                             (string-append "QVParasiteString: qv-style-for-path-" (number->string (qv-tattoo from "P"))
                                            "\nfill: 1 2 3\nstroke: 4 5 6")
                             (car (plug-in-qv-get-clipboard)))
             (plug-in-qv-path-clipboard-2-style 1 to (qv-draw to))
             (qv-check-equal "attached under the header's name"
                             (list (string-append "qv-style-for-path-" (number->string (qv-tattoo from "P"))))
                             (cadr (gimp-image-get-parasite-list to)))
             (plug-in-qv-set-clipboard "just some text")
             (plug-in-qv-path-clipboard-2-style 1 to (qv-draw to))
             (qv-check-equal "other text attaches nothing" 1 (car (gimp-image-get-parasite-list to)))
             (gimp-image-delete from)
             (gimp-image-delete to))))

; The join itself is checked from C++ (live.menu_calls), which can store the
; remembered reference; here the question without a display.
(qv-test "a join that must ask for its reference changes nothing without a display"
         (lambda ()
           (let ((image (qv-new-image 120 120)))
             (qv-add-path image "Ref" '(0 50 100 50))
             (qv-add-path image "P" '(30 10 80 10))
             (qv-current! image "P")
             (for-each (lambda (join) (join 1 image (qv-draw image)))
                       (list plug-in-qv-join-to-reference plug-in-qv-join-new-reference))
             (qv-check-equal "paths as they were" '("P" "Ref")
                             (map (lambda (v) (car (gimp-item-get-name v))) (vector->list (cadr (gimp-image-get-vectors image)))))
             (qv-check-equal "points as they were" '(30.0 10.0) (list (list-ref (qv-points image "P") 2) (list-ref (qv-points image "P") 3)))
             (qv-check-equal "and the path is not left locked" 0 (car (gimp-item-get-linked (qv-vectors image "P"))))
             (gimp-image-delete image))))

(define (qv-path-names image)
  (map (lambda (v) (car (gimp-item-get-name v))) (vector->list (cadr (gimp-image-get-vectors image)))))

(qv-test "a script keyspline names its file, relative to the image when asked"
         (lambda ()
           (let ((image (qv-new-image 60 60))
                 (script (string-append qv-tmp-dir "/stamp.scm")))
             (gimp-image-set-filename image (string-append qv-tmp-dir "/work/scene.xcf"))
             (qv-write-file script "(gimp-message \"stamp\")")
             (gimp-gimprc-set "qv-relative-image-path-names" "FALSE")
             (plug-in-qv-create-keyspline-script 1 image (qv-draw image) script)
             (qv-check-equal "absolute" script (qv-attr image "[@-Script] stamp.scm" "@-script"))
             (qv-check-equal "the standard points"
                             '(0.0 200.0 0.0 200.0 0.0 200.0 200.0 0.0 200.0 0.0 200.0 0.0)
                             (qv-points image "[@-Script] stamp.scm"))
             (gimp-gimprc-set "qv-relative-image-path-names" "TRUE")
             ; a relative argument is taken from the image's folder
             (plug-in-qv-create-keyspline-script 1 image (qv-draw image) "../stamp.scm")
             (qv-check-equal "relative" "../stamp.scm"
                             (qv-attr image "[@-Script] stamp.scm #1" "@-script"))
             (gimp-gimprc-set "qv-relative-image-path-names" "FALSE")
             (for-each (lambda (missing)
                         (plug-in-qv-create-keyspline-script 1 image (qv-draw image) missing))
                       (list (string-append qv-tmp-dir "/none.scm") qv-tmp-dir ""))
             (qv-check-equal "a missing file, a folder or none make nothing" 2
                             (length (qv-path-names image)))
             (gimp-image-delete image))))

(qv-test "an image path frames the picture in the selection or the layer, and draws it"
         (lambda ()
           (let* ((image (qv-new-image 100 80))
                  (sun (string-append qv-source-dir "/examples/sun.png"))
                  (xcf (string-append qv-tmp-dir "/two.xcf"))
                  (two (qv-new-image 30 20)))
             (gimp-image-insert-layer two (car (gimp-layer-new two 30 20 RGBA-IMAGE "top" 100 LAYER-MODE-NORMAL)) 0 0)
             (gimp-xcf-save 0 two (qv-draw two) xcf xcf)
             (gimp-image-delete two)
             (gimp-image-select-rectangle image CHANNEL-OP-REPLACE 10 20 40 30)
             (plug-in-qv-create-image-path 1 image (qv-draw image) sun)
             (qv-check-equal "corners of the selection"
                             '(10.0 20.0 10.0 20.0 10.0 20.0 50.0 50.0 50.0 50.0 50.0 50.0)
                             (qv-points image "sun.png"))
             (qv-check-equal "the file" sun (qv-attr image "sun.png" "image"))
             (qv-check-equal "its size" "64 64" (qv-attr image "sun.png" "image-original-size"))
             (qv-check-equal "kept in proportion" "1" (qv-attr image "sun.png" "aspect-ratio-mode"))
             (gimp-selection-none image)
             (plug-in-qv-create-image-path 1 image (qv-draw image) xcf)
             (qv-check-equal "without a selection the layer's corners"
                             '(0.0 0.0 100.0 80.0)
                             (let ((p (qv-points image "two.xcf")))
                               (list (list-ref p 2) (list-ref p 3) (list-ref p 8) (list-ref p 9))))
             (qv-check-equal "an XCF of several layers placed as it looks" "3"
                             (qv-attr image "two.xcf" "image-merge-visible"))
             (qv-check-equal "the XCF's size" "30 20" (qv-attr image "two.xcf" "image-original-size"))
             (let ((before (length (qv-path-names image))))
               (for-each (lambda (bad) (plug-in-qv-create-image-path 1 image (qv-draw image) bad))
                         (list (string-append qv-tmp-dir "/none.png")
                               (string-append qv-source-dir "/examples/stamp.scm")))
               (qv-check-equal "a missing file or no picture make nothing" before
                               (length (qv-path-names image))))
             ; The drawing reads what the path holds: the sun lands in its frame.
             (gimp-image-select-rectangle image CHANNEL-OP-REPLACE 10 20 40 30)
             (gimp-image-remove-vectors image (qv-vectors image "two.xcf"))
             (let ((before (qv-rgb (qv-draw image) 30 35)))
               (plug-in-qv-path-draw image "sun.png" 0.5)
               (qv-check "the picture is drawn in the frame" (not (equal? before (qv-rgb (qv-draw image) 30 35))))
               (qv-check-equal "and nothing outside it" '(255 255 255) (qv-rgb (qv-draw image) 80 70)))
             (gimp-image-delete image))))
