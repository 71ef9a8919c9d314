; Procedures that act on an image, a drawable or a path report an error when
; that thing does not exist, instead of success for nothing done, and leave
; every open image as it was. GIMP itself refuses ids of closed images; -1
; and 0, which scripts pass for "none", reach the plug-in.

(define qv-identity (vector 1 0 0 0 1 0 0 0 1))

; (procedure-name call) where call runs the procedure with the given image
; id and drawable id.
(define (qv-image-procedures)
  (list
   (list "plug-in-qv-path-draw" (lambda (image draw) (plug-in-qv-path-draw image "P" 0.5)))
   (list "plug-in-qv-path-draw-current" (lambda (image draw) (plug-in-qv-path-draw-current 1 image draw 0.5)))
   (list "plug-in-qv-path-draw-current-temp" (lambda (image draw) (plug-in-qv-path-draw-current-temp 1 image draw 0.5)))
   (list "plug-in-qv-remove-all-esl-layer" (lambda (image draw) (plug-in-qv-remove-all-esl-layer 1 image draw)))
   (list "plug-in-qv-path-set-style-attribute" (lambda (image draw) (plug-in-qv-path-set-style-attribute image "P" "fill" "1 2 3")))
   (list "plug-in-qv-transform-path-matrix3x3" (lambda (image draw) (plug-in-qv-transform-path-matrix3x3 image "P" 9 qv-identity)))
   (list "plug-in-qv-transform-drawable" (lambda (image draw) (plug-in-qv-transform-drawable 1 image draw)))
   (list "plug-in-qv-transform-locked-layers" (lambda (image draw) (plug-in-qv-transform-locked-layers 1 image draw)))
   (list "plug-in-qv-transform-locked-path" (lambda (image draw) (plug-in-qv-transform-locked-path 1 image draw)))
   (list "plug-in-qv-transform-locked-path-layers" (lambda (image draw) (plug-in-qv-transform-locked-path-layers 1 image draw)))
   (list "plug-in-qv-transform-drawable-matrix3x3" (lambda (image draw) (plug-in-qv-transform-drawable-matrix3x3 image draw 9 qv-identity)))
   (list "plug-in-qv-fade-opacity-set" (lambda (image draw) (plug-in-qv-fade-opacity-set image 50)))
   (list "plug-in-qv-dtf-set-date" (lambda (image draw) (plug-in-qv-dtf-set-date image 1 1 2000 1 1 2010 0.5)))
   (list "plug-in-qv-dtf-set-date-from-string" (lambda (image draw) (plug-in-qv-dtf-set-date-from-string image "2007" 0)))
   (list "plug-in-qv-path-new-inbetween" (lambda (image draw) (plug-in-qv-path-new-inbetween image "P" "P" 0.5 "")))
   (list "plug-in-qv-path-new-inbetween2" (lambda (image draw) (plug-in-qv-path-new-inbetween2 image "P" "P" 0.5 "" image)))
   (list "plug-in-qv-path-duplicate-plus" (lambda (image draw) (plug-in-qv-path-duplicate-plus 1 image draw)))
   (list "plug-in-qv-create-image-path" (lambda (image draw) (plug-in-qv-create-image-path 1 image draw "/tmp/x.png")))
   (list "plug-in-qv-create-keyspline-script" (lambda (image draw) (plug-in-qv-create-keyspline-script 1 image draw "/tmp/x.scm")))
   (list "plug-in-qv-path-animation-render" (lambda (image draw) (plug-in-qv-path-animation-render image "P" "/tmp/f_0.png" 2 1)))))

(define (qv-fails? thunk) (not (catch #f (thunk) #t)))

; What a refused call could have touched: the image's parasites, its paths
; and layers, and the date record.
(define (qv-image-state image)
  (list (gimp-image-get-parasite-list image)
        (gimp-image-get-vectors image)
        (gimp-image-get-layers image)
        (plug-in-qv-dtf-get-date image)))

(qv-test "an image id that names no image is an error for every procedure that changes an image"
         (lambda ()
           (let* ((image (qv-new-image 16 16))
                  (draw (car (gimp-image-get-active-drawable image)))
                  (before '()))
             (qv-add-path image "P" '(1 1 10 10))
             (set! before (qv-image-state image))
             (for-each (lambda (dead)
                         (for-each (lambda (entry)
                                     (qv-check (string-append (car entry) " fails for image " (number->string dead))
                                               (qv-fails? (lambda () ((cadr entry) dead draw)))))
                                   (qv-image-procedures)))
                       '(-1 0))
             (qv-check-equal "the open image is untouched" before (qv-image-state image))
             (gimp-image-delete image))))

(qv-test "a path or drawable that does not exist is an error, a bad matrix too"
         (lambda ()
           (let* ((image (qv-new-image 16 16))
                  (draw (car (gimp-image-get-active-drawable image))))
             (qv-add-path image "P" '(1 1 10 10))
             (let ((before (qv-image-state image)))
               (qv-check "set-style-attribute on a missing path"
                         (qv-fails? (lambda () (plug-in-qv-path-set-style-attribute image "no such path" "fill" "1 2 3"))))
               (qv-check "transform-drawable-matrix3x3 on a missing drawable"
                         (qv-fails? (lambda () (plug-in-qv-transform-drawable-matrix3x3 image -1 9 qv-identity))))
               (qv-check "a matrix of 4 numbers"
                         (qv-fails? (lambda () (plug-in-qv-transform-path-matrix3x3 image "P" 4 (vector 1 0 0 1)))))
               (qv-check-equal "the image is untouched" before (qv-image-state image)))
             (plug-in-qv-path-set-style-attribute image "P" "fill" "1 2 3")
             (plug-in-qv-transform-drawable-matrix3x3 image draw 9 qv-identity)
             (gimp-image-delete image))))
