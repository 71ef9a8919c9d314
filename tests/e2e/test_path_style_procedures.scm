; The style editor's operations for scripts: paths in between two paths
; with their styles, and a duplicate with every parasite of its path.

(define (qv-draw image) (car (gimp-image-get-active-drawable image)))
(define (qv-vectors image name) (car (gimp-image-get-vectors-by-name image name)))
(define (qv-names image)
  (map (lambda (v) (car (gimp-item-get-name v))) (vector->list (cadr (gimp-image-get-vectors image)))))
(define (qv-attr image path key) (car (plug-in-qv-path-get-style-attribute image path key)))

(qv-test "paths in between are named by their place between the two"
         (lambda ()
           (let ((image (qv-new-image 100 100)) (other (qv-new-image 100 100)))
             (qv-add-path image "A#0" '(0 0 10 10))
             (qv-add-path image "A#10" '(20 20 30 30))
             (for-each (lambda (path fill)
                         (plug-in-qv-path-set-style-attribute image path "fill" fill)
                         (plug-in-qv-path-set-style-attribute image path "@-color-mode" "RGB"))
                       '("A#0" "A#10") '("0 0 0" "200 100 50"))
             (plug-in-qv-path-new-inbetween image "A#0" "A#10" 0.5 "")
             (qv-check "A#5 made" (qv-member-string "A#5" (qv-names image)))
             (qv-check-equal "its fill half way" "100 50 25" (qv-attr image "A#5" "fill"))
             (plug-in-qv-path-new-inbetween image "A#0" "A#10" 0.5 "")
             (qv-check-equal "a second one gets GIMP's unique name" 4 (length (qv-names image)))
             (plug-in-qv-path-new-inbetween2 image "A#0" "A#10" 0.25 "Quarter" other)
             (qv-check-equal "into the other image, under the given name" '("Quarter") (qv-names other))
             (qv-check-equal "with its style" "50 25 12" (qv-attr other "Quarter" "fill"))
             (plug-in-qv-path-new-inbetween image "A#0" "gone" 0.5 "")
             (qv-check-equal "a name that is no path makes nothing" 4 (length (qv-names image)))
             (gimp-image-delete image)
             (gimp-image-delete other))))

(qv-test "duplicate plus copies the parasites of its tattoo and no other"
         (lambda ()
           (let ((image (qv-new-image 100 100)))
             (qv-add-path image "P" '(0 0 10 10))
             (qv-add-path image "Q" '(5 5 15 15))
             (gimp-item-set-tattoo (qv-vectors image "P") 7)
             (gimp-item-set-tattoo (qv-vectors image "Q") 70)
             (gimp-image-set-tattoo-state image 100)  ; as GIMP keeps it: above every tattoo
             (gimp-image-attach-parasite image (list "qv-style-for-path-7" 1 "fill: 1 2 3"))
             (gimp-image-attach-parasite image (list "qv-note-for-path-7" 1 "seven"))
             (gimp-image-attach-parasite image (list "qv-note-for-path-70" 1 "seventy"))
             (gimp-image-set-active-vectors image (qv-vectors image "P"))
             (plug-in-qv-path-duplicate-plus 1 image (qv-draw image))
             (let* ((copy (car (gimp-image-get-active-vectors image)))
                    (tattoo (number->string (car (gimp-item-get-tattoo copy)))))
               (qv-check "a new path" (not (= copy (qv-vectors image "P"))))
               (qv-check-equal "style copied" "fill: 1 2 3"
                               (caddr (car (gimp-image-get-parasite image (string-append "qv-style-for-path-" tattoo)))))
               (qv-check-equal "note copied" "seven"
                               (caddr (car (gimp-image-get-parasite image (string-append "qv-note-for-path-" tattoo)))))
               (qv-check-equal "nothing of tattoo 70: five parasites" 5
                               (car (gimp-image-get-parasite-list image))))
             (gimp-image-delete image))))

(qv-test "the editor refuses a non-interactive call"
         (lambda ()
           (let ((image (qv-new-image 10 10)))
             (plug-in-qv-path-edit-style RUN-NONINTERACTIVE image (qv-draw image))
             (qv-check "no editor marker"
                       (not (qv-member-string "qv-pathstyle-dialog-run" (cadr (gimp-get-parasite-list)))))
             (gimp-image-delete image))))
