; The path-group plug-in as scripts see it: its procedures, storing the
; current group, and the dialog procedures counting as cancelled headless.

(define qv-group-args
  (list (list PDB-INT32 "mode" "0=Interactive")
        (list PDB-IMAGE "image" "Input image")
        (list PDB-DRAWABLE "drawable" "Drawable used.")))

(define qv-group-procedures
  (list "plug-in-qv-pathgroup-select" "plug-in-qv-pathgroup-new" "plug-in-qv-pathgroup-new-duplicate"
        "plug-in-qv-pathgroup-load" "plug-in-qv-pathgroup-save" "plug-in-qv-pathgroup-2-parasite"))

(qv-test "all 6 procedures are registered as documented"
         (lambda ()
           (for-each (lambda (name) (qv-check-registration name "Blurb!" "Help!" qv-group-args '()))
                     qv-group-procedures)))

(define (qv-parasite-names image) (cadr (gimp-image-get-parasite-list image)))

; Parasite data reaches Script-Fu as a C string, cut at its first NUL, so
; the bytes themselves are checked by the live tests.
(qv-test "2-parasite stores the shown paths as a persistent group"
         (lambda ()
           (let* ((image (qv-new-image 16 16))
                  (drawable (car (gimp-image-get-active-drawable image))))
             (qv-add-path image "A" '(1 1 10 10))
             (plug-in-qv-pathgroup-2-parasite 0 image drawable)
             (plug-in-qv-pathgroup-2-parasite 0 image drawable)
             (for-each (lambda (name)
                         (qv-check (string-append name " attached") (qv-member-string name (qv-parasite-names image)))
                         (qv-check-equal (string-append name " flags") 1
                                         (cadr (car (gimp-image-get-parasite image name)))))
                       (list "qv-pathgroups-image-be" "qv-pathgroup-current-be"))
             (qv-check-equal "the path stays" 1 (car (gimp-image-get-vectors image)))
             (gimp-image-delete image))))

(qv-test "dialog procedures without a display change nothing"
         (lambda ()
           (let* ((image (qv-new-image 16 16))
                  (drawable (car (gimp-image-get-active-drawable image))))
             (qv-add-path image "A" '(1 1 10 10))
             (plug-in-qv-pathgroup-new 0 image drawable)
             (plug-in-qv-pathgroup-select 0 image drawable)
             (plug-in-qv-pathgroup-load 0 image drawable)
             (qv-check-equal "paths" '(1) (list (car (gimp-image-get-vectors image))))
             (qv-check "no groups stored" (not (qv-member-string "qv-pathgroup-current-be" (qv-parasite-names image))))
             (gimp-image-delete image))))
